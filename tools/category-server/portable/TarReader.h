// Members of a tar archive held in memory: POSIX ustar (name with its prefix), GNU long names
// ("././@LongLink" members of type 'L') and pax "path" records; sizes in octal or GNU's
// base-256. Every header's checksum is checked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct CTarMember {
    std::string_view name;  // the full path, valid until the next call of Next
    char type = '0';        // '0' (or '\0', '7') a regular file, '5' a folder, '2' a link...
    std::string_view data;  // a regular file's bytes

    bool IsFile() const noexcept { return type == '0' || type == '\0' || type == '7'; }
};

class CTarReader {
public:
    explicit CTarReader(std::string_view archive) : m_archive(archive) {}

    // The next member (long names and pax records are applied, not returned). False at the
    // end of the archive, or at damage: then Error() says what.
    bool Next(CTarMember& member);
    const std::string& Error() const noexcept { return m_error; }

private:
    bool Fail(const char* szError);
    bool ReadPax(std::string_view records);

    std::string_view m_archive;
    std::string m_name;      // the current member's name
    std::string m_longName;  // the name the next member takes
    bool m_bLongName = false;
    std::string m_error;
};
