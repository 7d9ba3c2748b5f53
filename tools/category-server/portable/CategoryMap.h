// The map from the lists' category names to the product's: "list-name  Product Name" a line
// (the product's name may hold blanks), "#" comments. The order of the map ranks the product
// categories: at equal specificity, the one the map names first wins.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CCategoryMap {
public:
    // Adds text's mappings; returns the lines skipped (a name alone, a list name mapped
    // before: the first mapping stays).
    std::size_t Parse(std::string_view text);

    // The product's name for a list category; one the map does not name keeps its own.
    std::string_view ProductName(std::string_view listName) const;

    // The product categories in the order the map first names them.
    const std::vector<std::string>& Ranked() const noexcept { return m_ranked; }

private:
    std::unordered_map<std::string, std::size_t> m_products;  // list name -> index in m_ranked
    std::vector<std::string> m_ranked;
};
