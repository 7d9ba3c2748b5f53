#include "Api/SettingsLock.h"

CMutexLock CSettingsLock::Hold() {
    std::call_once(m_opened,
                   [this] { m_hMutex.Reset(::CreateMutexA(nullptr, FALSE, kMutexName)); });
    return CMutexLock(m_hMutex.Get(), kWaitMs);
}
