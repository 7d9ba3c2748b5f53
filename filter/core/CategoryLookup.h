// The web category of a URL, asked of the category server on the sending thread.
#pragma once

#include <string>

// The category the server names, or "Null" when it could not be asked or gave no answer.
std::string LookUpCategory(const std::string& url);
