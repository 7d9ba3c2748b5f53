#include "Api/portable/ErrorCodes.h"

#include <atomic>
#include <iterator>

namespace {

// Indexed by code + 1. The texts are shown to users exactly as they stand.
constexpr const char* const g_szErrorMessages[] = {
    "Failure",
    "Sucess",
    "Invalid User Name supplied",
    "Create User Failed",
    "User does not exists",
    "Super user can not be deleted",
    "Password does not match",
    "Failed to get windows directory",
    "Failed to get current directory",
    "File not found",
    "Failed to write in a database",
    "Failed to read from a database",
    "Parental Control Settings is corrupted",
};
static_assert(std::size(g_szErrorMessages) == ERR_SETTINGS_CORRUPTED + 2);

// Threads of one process may race on the code; atomic keeps that race defined.
std::atomic<int> g_iLastError{ERR_SUCCESS};

}  // namespace

const char* GetErrorMessage(int iCode) {
    if (iCode < ERR_FAILURE || iCode > ERR_SETTINGS_CORRUPTED) {
        return g_szErrorMessages[0];
    }
    return g_szErrorMessages[iCode + 1];
}

const char* GetLastErrorMessage() {
    return GetErrorMessage(GetLastErrorCode());
}

int GetLastErrorCode() {
    return g_iLastError.load(std::memory_order_relaxed);
}

void SetLastErrorCode(int iCode) {
    g_iLastError.store(iCode, std::memory_order_relaxed);
}
