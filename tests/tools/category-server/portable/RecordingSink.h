// A sink that writes down what the list readers give it: "host/path category" or "skip".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/category-server/portable/EntrySink.h"

class CRecordingSink : public CEntrySink {
public:
    void Add(std::string_view host, std::string_view path, std::string_view category) override {
        std::string line(host);
        if (!path.empty()) {
            line += "/" + std::string(path);
        }
        lines.push_back(line + " " + std::string(category));
    }
    void Skip() override { lines.emplace_back("skip"); }

    std::vector<std::string> lines;
};
