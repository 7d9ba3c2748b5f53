#include "Api/portable/CategoryNames.h"

std::string CategoryShown(std::string_view category) {
    if (category.empty()) {
        return "Null (not yet in any category)";
    }
    if (category == "Null") {
        return "Null (the category server did not answer)";
    }
    return std::string(category);
}
