#include "tools/category-server/portable/TarReader.h"

#include <cstdint>
#include <optional>

namespace {

constexpr std::size_t kBlock = 512;

std::string_view Field(std::string_view header, std::size_t nOffset, std::size_t nLength) {
    const std::string_view field = header.substr(nOffset, nLength);
    return field.substr(0, field.find('\0'));
}

// Octal digits with blanks or NULs around them, or GNU's base-256 form (first bit set).
std::optional<std::uint64_t> Number(std::string_view field) {
    if (!field.empty() && (static_cast<std::uint8_t>(field[0]) & 0x80U) != 0) {
        std::uint64_t value = static_cast<std::uint8_t>(field[0]) & 0x7FU;
        for (const char c : field.substr(1)) {
            if (value >> 55 != 0) {
                return std::nullopt;
            }
            value = (value << 8) | static_cast<std::uint8_t>(c);
        }
        return value;
    }
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') {
        ++i;
    }
    std::uint64_t value = 0;
    bool bDigits = false;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '7'; ++i) {
        if (value >> 60 != 0) {
            return std::nullopt;
        }
        value = value * 8 + static_cast<std::uint64_t>(field[i] - '0');
        bDigits = true;
    }
    for (; i < field.size(); ++i) {
        if (field[i] != ' ' && field[i] != '\0') {
            return std::nullopt;
        }
    }
    if (!bDigits) {
        return std::nullopt;
    }
    return value;
}

bool ChecksumMatches(std::string_view header) {
    const auto stored = Number(header.substr(148, 8));
    if (!stored) {
        return false;
    }
    // The sum of the header's bytes with the checksum field taken as blanks; some old
    // programs summed them as signed chars.
    std::uint64_t nUnsigned = 0;
    std::int64_t nSigned = 0;
    for (std::size_t i = 0; i < kBlock; ++i) {
        const char c = i >= 148 && i < 156 ? ' ' : header[i];
        nUnsigned += static_cast<std::uint8_t>(c);
        nSigned += static_cast<signed char>(c);
    }
    return *stored == nUnsigned || static_cast<std::int64_t>(*stored) == nSigned;
}

bool IsZeroBlock(std::string_view block) {
    return block.find_first_not_of('\0') == std::string_view::npos;
}

}  // namespace

bool CTarReader::Fail(const char* szError) {
    m_error = szError;
    m_archive = {};
    return false;
}

// "LENGTH key=value\n" records; "path" names the next member.
bool CTarReader::ReadPax(std::string_view records) {
    while (!records.empty()) {
        std::size_t nLength = 0;
        std::size_t i = 0;
        for (; i < records.size() && records[i] >= '0' && records[i] <= '9' && i < 12; ++i) {
            nLength = nLength * 10 + static_cast<std::size_t>(records[i] - '0');
        }
        if (i == 0 || i >= records.size() || records[i] != ' ' || nLength <= i + 1 ||
            nLength > records.size() || records[nLength - 1] != '\n') {
            return false;
        }
        const std::string_view record = records.substr(i + 1, nLength - i - 2);
        const std::size_t nEquals = record.find('=');
        if (nEquals == std::string_view::npos) {
            return false;
        }
        if (record.substr(0, nEquals) == "path") {
            m_longName.assign(record.substr(nEquals + 1));
            m_bLongName = true;
        }
        records.remove_prefix(nLength);
    }
    return true;
}

bool CTarReader::Next(CTarMember& member) {
    while (true) {
        if (m_archive.size() < kBlock || IsZeroBlock(m_archive.substr(0, kBlock))) {
            if (!m_archive.empty() && m_archive.size() < kBlock &&
                m_archive.find_first_not_of('\0') != std::string_view::npos) {
                return Fail("cut tar header");
            }
            m_archive = {};
            return false;
        }
        const std::string_view header = m_archive.substr(0, kBlock);
        if (!ChecksumMatches(header)) {
            return Fail("damaged tar header");
        }
        const auto size = Number(header.substr(124, 12));
        if (!size) {
            return Fail("damaged tar header");
        }
        const std::size_t nPadded = (m_archive.size() - kBlock) / kBlock * kBlock;
        if (*size > m_archive.size() - kBlock) {
            return Fail("cut tar member");
        }
        const auto nSize = static_cast<std::size_t>(*size);
        const std::size_t nSpan = nSize + (kBlock - nSize % kBlock) % kBlock;
        const std::string_view data = m_archive.substr(kBlock, nSize);
        m_archive.remove_prefix(kBlock + (nSpan <= nPadded ? nSpan : m_archive.size() - kBlock));
        const char type = header[156];
        if (type == 'L') {
            m_longName.assign(data.substr(0, data.find('\0')));
            m_bLongName = true;
            continue;
        }
        if (type == 'x') {
            if (!ReadPax(data)) {
                return Fail("damaged pax header");
            }
            continue;
        }
        if (type == 'g' || type == 'K') {
            continue;  // global pax records and long link targets name no file
        }
        if (m_bLongName) {
            m_name.swap(m_longName);
            m_bLongName = false;
        } else {
            m_name.assign(Field(header, 0, 100));
            const std::string_view prefix = Field(header, 345, 155);
            if (header.substr(257, 6) == std::string_view("ustar\0", 6) && !prefix.empty()) {
                m_name.insert(0, std::string(prefix) + "/");
            }
        }
        member.name = m_name;
        member.type = type;
        member.data = data;
        return true;
    }
}
