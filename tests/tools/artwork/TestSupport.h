// Small helpers shared by the artwork tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/artwork/Bytes.h"
#include "tools/artwork/Color.h"

namespace arttest {

inline std::uint32_t Le16(const art::Bytes& b, size_t at) {
    return static_cast<std::uint32_t>(b.at(at) | (b.at(at + 1) << 8));
}

inline std::uint32_t Le32(const art::Bytes& b, size_t at) {
    return Le16(b, at) | (Le16(b, at + 2) << 16);
}

inline std::uint32_t Be16(const art::Bytes& b, size_t at) {
    return static_cast<std::uint32_t>((b.at(at) << 8) | b.at(at + 1));
}

inline art::Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const art::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Standard output of a shell command, or nothing when it fails.
inline std::string Capture(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    const int rc = ::pclose(pipe);
    if (status != nullptr) {
        *status = rc;
    }
    return output;
}

// WCAG relative luminance, 0 (black) to 1 (white).
inline double Luminance(art::Rgb c) {
    auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

inline std::uint64_t Fnv1a(const art::Bytes& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint8_t b : bytes) {
        hash = (hash ^ b) * 1099511628211ull;
    }
    return hash;
}

}  // namespace arttest
