// One line per event of note on standard output, whole and flushed at once, whichever
// thread writes it.
#pragma once

void ProxyLog(const char* szFormat, ...) noexcept __attribute__((format(printf, 1, 2)));
