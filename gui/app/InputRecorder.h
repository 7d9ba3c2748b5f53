// The settings program's part in counting internet time: it runs on the person's desktop,
// where Windows tells when the keyboard or mouse was last used, and hands that to the library
// every 15 seconds. The library counts a minute when it also had a web request.
#pragma once

#include <cstdint>

class CInputRecorder {
public:
    static constexpr std::uint64_t kEveryMs = 15000;

    // Called from a timer of the tray's window, as often as it likes.
    void Poll() noexcept;

private:
    std::uint64_t m_ullLastMs = 0;
    bool m_bStarted = false;
};
