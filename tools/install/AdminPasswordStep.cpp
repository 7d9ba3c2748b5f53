#include "tools/install/AdminPasswordStep.h"

#include <windows.h>

#include <string>

#include "win/ProcessHandles.h"
#include "win/ProductRegistry.h"
#include "win/UniqueHandle.h"

namespace {

constexpr char kAnswerValue[] = "NeedToExit";

}  // namespace

StepOutcome RunAdminPasswordStep(const std::string& strGuiPath, bool bInstall,
                                 std::string& strError) {
    // An answer left by an earlier run must not be taken for this one's.
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, kAnswerValue);
    std::string strCommand = "\"" + strGuiPath + "\" " + (bInstall ? "Install" : "UnInstall");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        strError =
            "cannot start " + strGuiPath + " (error " + std::to_string(::GetLastError()) + ")";
        return StepOutcome::kFailed;
    }
    const CProcessHandles handles = OwnProcessHandles(process);
    // A person is typing: no time limit.
    ::WaitForSingleObject(handles.process.Get(), INFINITE);

    const CRegKey key = OpenProductKey();
    const auto answer = key ? ReadRegDword(key.Get(), kAnswerValue) : std::nullopt;
    if (!answer) {
        strError = strGuiPath + " left no answer in " + kAnswerValue;
        return StepOutcome::kFailed;
    }
    if (*answer != 0) {
        strError = bInstall ? "the administrator password was not set"
                            : "the administrator password was not given";
        return StepOutcome::kRefused;
    }
    return StepOutcome::kAccepted;
}
