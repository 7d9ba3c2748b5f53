// The web category of a URL, asked of the category server on the sending thread.
#pragma once

#include <string>

#include "filter/core/portable/CategoryServerPause.h"

// The category the server names, or "Null" when it could not be asked or gave no answer.
// With the strict filter on, the lookup waits at most the configured time-out, and a server
// that did not answer is left alone for a while (TheCategoryServerPause()).
std::string LookUpCategory(const std::string& url);

// The process's pause, kept only while the strict filter is on.
CCategoryServerPause& TheCategoryServerPause();
