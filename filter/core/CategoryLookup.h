// The web category of a URL, asked of the category server on the sending thread.
#pragma once

#include <string>

#include "filter/core/portable/CategoryServers.h"

// The category the server names, or "Null" when it could not be asked or gave no answer.
// With the strict filter on, the lookup waits at most the configured time-out, a server that
// did not answer is left alone for a while and the second server ("TLVServer2") is asked
// instead, and answers are kept for "CategoryCacheSeconds" (TheCategoryServers()).
std::string LookUpCategory(const std::string& url);

// The process's servers, their pauses and its cache, used only while the strict filter is on.
CCategoryServers& TheCategoryServers();
