// Result codes of the policy library and their user-visible texts.
#pragma once

enum ErrorCode : int {
    ERR_FAILURE = -1,
    ERR_SUCCESS = 0,
    ERR_INVALID_USER_NAME = 1,
    ERR_CREATE_USER_FAILED = 2,
    ERR_USER_NOT_FOUND = 3,
    ERR_SUPER_USER_DELETE = 4,
    ERR_PASSWORD_MISMATCH = 5,
    ERR_WINDOWS_DIRECTORY = 6,
    ERR_CURRENT_DIRECTORY = 7,
    ERR_FILE_NOT_FOUND = 8,
    ERR_DB_WRITE = 9,
    ERR_DB_READ = 10,
    ERR_SETTINGS_CORRUPTED = 11,
    // A change refused to a process that has not proved the password it needs.
    ERR_NOT_ALLOWED = 12,
    // An account's password checks refused for a while after too many failures.
    ERR_TOO_MANY_ATTEMPTS = 13,
    // Time rules refused as a whole: CheckTimeRules names the first fault.
    ERR_TIME_RULES = 14,
};

// The longest wait ERR_TOO_MANY_ATTEMPTS tells of, in seconds.
inline constexpr int kMaxAttemptWaitSeconds = 30;

extern "C" {
// The text of `iCode`; codes outside ERR_FAILURE..ERR_TIME_RULES give "Failure".
// ERR_TOO_MANY_ATTEMPTS names the wait this process was last told (30 s before any).
// The pointer is to constant storage and is never released.
const char* GetErrorMessage(int iCode);
// The text of the calling process's last error code.
const char* GetLastErrorMessage();
// The per-process last error code: one value shared by all threads of the process, 0 at load.
int GetLastErrorCode();
}

void SetLastErrorCode(int iCode);
// Sets ERR_TOO_MANY_ATTEMPTS with the wait its text names, held to 1..kMaxAttemptWaitSeconds.
void SetLastErrorWait(int iSeconds);
