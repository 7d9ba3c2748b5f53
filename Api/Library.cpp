#include "Api/Library.h"

#include <windows.h>

#include <atomic>
#include <memory>

#include "Api/CallerProof.h"
#include "Api/PolicyApi.h"
#include "Api/SharedState.h"
#include "Api/portable/ErrorCodes.h"

CLogFile g_ApiLog(0);

namespace {

std::unique_ptr<CDataStore> g_pDataStore;

}  // namespace

std::string HostProgramName() {
    char szPath[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    const std::string strPath = szPath;
    return strPath.substr(strPath.find_last_of("\\/") + 1);
}

CDataStore* Store() {
    return g_pDataStore.get();
}

int LookUpUser(const char* szName) {
    if (g_pDataStore == nullptr) {
        SetLastErrorCode(ERR_SETTINGS_CORRUPTED);
        return 0;
    }
    if (szName == nullptr) {
        SetLastErrorCode(ERR_USER_NOT_FOUND);
        return 0;
    }
    return g_pDataStore->GetUserId(szName);
}

void LogApi(const std::string& strText, signed char iLevel) {
    g_ApiLog.Write(strText, iLevel);
}

void LogApiFailure() {
    LogApi(std::string("API :: ") + GetLastErrorMessage(), 1);
}

void ApiProcessAttach() noexcept {
    try {
        g_ApiLog.SetFileName("ApiCallLog");
        LogApi(HostProgramName(), 1);
        g_pDataStore = std::make_unique<CDataStore>(&g_ApiLog);
        g_pDataStore->Init("Content");
    } catch (...) {
        g_pDataStore.reset();
    }
    // Mapped already only where the library's code is linked into a program that attaches it
    // more than once: a first attach again takes the switch from the file, as a first load does.
    if (PolicySharedState* pState = SharedPolicyStateIfMapped()) {
        if (std::atomic_ref<std::int32_t>(pState->iInstances).fetch_add(1) == 0) {
            std::atomic_ref<std::int32_t>(pState->iFilterOff)
                .store(PolicySharedState::kFilterOffUnread);
        }
    }
}

void ApiProcessDetach(bool bProcessEnding) noexcept {
    // Only a block this process mapped counts it; mapping it now would be work under the
    // loader lock for nothing.
    if (PolicySharedState* pState = SharedPolicyStateIfMapped()) {
        std::atomic_ref<std::int32_t>(pState->iInstances).fetch_sub(1);
    }
    // A proof lasts as long as the process that made it.
    TheCallerProof().End();
    if (bProcessEnding) {
        // Not destroyed: the system reclaims its handles and memory with the process.
        static_cast<void>(g_pDataStore.release());
        return;
    }
    g_pDataStore.reset();
}
