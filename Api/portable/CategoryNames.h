// How a category is named to a person, wherever a block is told (the block page, the settings
// program's notices and lists): a site no list holds, or one the category server could not be
// asked about, is named for what it is rather than by an empty name.
#pragma once

#include <string>
#include <string_view>

// "" -> "Null (not yet in any category)", "Null" -> "Null (the category server did not
// answer)", any other name as it is.
std::string CategoryShown(std::string_view category);
