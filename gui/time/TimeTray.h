// Internet time in the tray: the profile in force looked at every few seconds (and at once
// when it changes), its time left in the icon's tooltip, and the notices of its end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "gui/blocks/BlockNotices.h"
#include "gui/login/TrayIcon.h"
#include "gui/portable/TimeTray.h"

// A profile's time now, through the library; nothing when it cannot be read.
std::optional<TimeLook> LookAtTime(const std::string& strProfile);

class CTimeTray {
public:
    static constexpr std::uint64_t kEveryMs = 5000;

    CTimeTray(CTrayIcon& trayIcon, CBlockNotices& notices) noexcept
        : m_trayIcon(trayIcon), m_notices(notices) {}

    // Called from the tray's timer, as often as it likes.
    void Poll(const std::string& strProfile);
    // The next poll looks, however soon (after a grant).
    void LookSoon() noexcept { m_bLookSoon = true; }

private:
    void Look(const std::string& strProfile);

    CTrayIcon& m_trayIcon;
    CBlockNotices& m_notices;
    CTimeNotices m_timeNotices;
    std::string m_strProfile;
    std::string m_strTip;
    std::uint64_t m_ullLastMs = 0;
    bool m_bLookSoon = true;
};
