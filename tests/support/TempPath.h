// A unique path in the temporary folder, removed (with anything under it) when it goes.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

class CTempPath {
public:
    explicit CTempPath(std::string_view tag = "pc") {
        static std::atomic<unsigned> s_nNext{0};
        const auto nStamp = std::chrono::steady_clock::now().time_since_epoch().count();
        m_path =
            std::filesystem::temp_directory_path() /
            (std::string(tag) + "-" + std::to_string(nStamp) + "-" + std::to_string(s_nNext++));
    }
    CTempPath(const CTempPath&) = delete;
    CTempPath& operator=(const CTempPath&) = delete;
    ~CTempPath() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }

    const std::filesystem::path& Path() const { return m_path; }
    std::string String() const { return m_path.string(); }

    void WriteFile(std::string_view bytes) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path m_path;
};
