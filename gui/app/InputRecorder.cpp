#include "gui/app/InputRecorder.h"

#include <windows.h>

#include "Api/PolicyApi.h"
#include "gui/app/GuiLog.h"

void CInputRecorder::Poll() noexcept {
    const std::uint64_t ullNowMs = ::GetTickCount64();
    if (m_bStarted && ullNowMs - m_ullLastMs < kEveryMs) {
        return;
    }
    m_bStarted = true;
    m_ullLastMs = ullNowMs;
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    if (!::GetLastInputInfo(&info)) {
        return;
    }
    // Both are 32-bit tick counts: the difference is right across their wrap.
    const DWORD dwIdleMs = ::GetTickCount() - info.dwTime;
    try {
        if (RecordUserInput(dwIdleMs) != 1) {
            gGuiLog.Write("CInputRecorder :: input not recorded", 2);
        }
    } catch (...) {
    }
}
