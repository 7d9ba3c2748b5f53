#include "Api/portable/ErrorCodes.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>
#include <string_view>

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
    "Not allowed: prove an administrator's password first",
    "Too many attempts",  // never shown: its text names the wait
    "The time rules cannot be read",
};
static_assert(std::size(g_szErrorMessages) == ERR_TIME_RULES + 2);

// "Too many attempts, try again in N seconds" for every N, made at compile time so that each
// text stays constant storage, as every other message is.
constexpr std::string_view kWaitStart = "Too many attempts, try again in ";
constexpr std::string_view kWaitEnd = " seconds";
constexpr std::size_t kWaitTextSize = kWaitStart.size() + 2 + kWaitEnd.size() + 1;
using WaitText = std::array<char, kWaitTextSize>;

constexpr WaitText MakeWaitText(int iSeconds) {
    WaitText text{};
    std::size_t n = 0;
    for (const char c : kWaitStart) {
        text[n++] = c;
    }
    if (iSeconds >= 10) {
        text[n++] = static_cast<char>('0' + iSeconds / 10);
    }
    text[n++] = static_cast<char>('0' + iSeconds % 10);
    for (const char c : kWaitEnd) {
        text[n++] = c;
    }
    return text;
}

constexpr auto MakeWaitTexts() {
    static_assert(kMaxAttemptWaitSeconds < 100);
    std::array<WaitText, kMaxAttemptWaitSeconds + 1> texts{};
    for (int i = 1; i <= kMaxAttemptWaitSeconds; ++i) {
        texts[static_cast<std::size_t>(i)] = MakeWaitText(i);
    }
    return texts;
}

constexpr auto g_waitTexts = MakeWaitTexts();

// Threads of one process may race on the code; atomic keeps that race defined.
std::atomic<int> g_iLastError{ERR_SUCCESS};
std::atomic<int> g_iLastWait{kMaxAttemptWaitSeconds};

}  // namespace

const char* GetErrorMessage(int iCode) {
    if (iCode == ERR_TOO_MANY_ATTEMPTS) {
        return g_waitTexts[static_cast<std::size_t>(g_iLastWait.load(std::memory_order_relaxed))]
            .data();
    }
    if (iCode < ERR_FAILURE || iCode > ERR_TIME_RULES) {
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

void SetLastErrorWait(int iSeconds) {
    g_iLastWait.store(std::clamp(iSeconds, 1, kMaxAttemptWaitSeconds), std::memory_order_relaxed);
    SetLastErrorCode(ERR_TOO_MANY_ATTEMPTS);
}
