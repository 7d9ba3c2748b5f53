// The category lookup client's lines on the process's standard output, written past the C
// runtime: its console and unbuffered paths cost a kernel call or more per character (under
// Wine about three thousand server requests for one lookup's lines on a console), and in a
// process without standard output each piece is a failed write.
#pragma once

#include <string_view>

// Writes szText (each "\n" as CR LF, as the C runtime's text mode did) to the standard output
// handle in one write. Writes nothing and returns false when the process has no standard
// output: no handle, or one that is not a console, file or pipe. Anything the C runtime still
// holds for stdout is flushed first, so the host's own lines keep their order.
bool WriteStandardOutput(std::string_view text) noexcept;
