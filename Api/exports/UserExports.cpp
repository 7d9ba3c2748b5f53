// Accounts and login.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "Api/AttemptLedger.h"
#include "Api/CallerProof.h"
#include "Api/ChangeGuard.h"
#include "Api/Library.h"
#include "Api/ListRecord.h"
#include "Api/PasswordHasher.h"
#include "Api/PolicyApi.h"
#include "Api/SharedState.h"
#include "Api/portable/Crypto.h"
#include "Api/portable/ErrorCodes.h"
#include "log/portable/Format.h"

namespace {

constexpr size_t kLoggedInNameMax = kLoggedInNameSize - 1;
static_assert(sizeof PolicySharedState::szLoggedInUser == LOGGED_IN_NAME_SIZE);

int Fail() {
    LogApiFailure();
    return 0;
}

// The stored form of a password given to CreateUser or ChangePassword; empty optional, with
// the code set, when it cannot be made.
std::optional<std::string> StoredFormOf(const char* szPassword) {
    std::optional<std::string> stored = MakeStoredPassword(szPassword);
    if (!stored) {
        LogApi("API :: Password could not be hashed", 1);
        SetLastErrorCode(ERR_FAILURE);
    }
    return stored;
}

// A password that matched in the form stored before hashing is replaced by its hash, unless
// it changed meanwhile.
void UpgradeStoredPassword(int iId, const std::string& strStored, const char* szPassword) {
    const std::optional<std::string> hashed = MakeStoredPassword(szPassword);
    if (hashed && Store()->ReplacePassword(iId, strStored, *hashed)) {
        LogApi("API :: Stored password replaced by its hash", 2);
    }
}

// Checks szPassword against account iId's; counts a failure. 1 match, 0 otherwise (code 5,
// 13 while the account is locked out, or the store's).
int CheckPassword(int iId, const char* szPassword) {
    CAttemptLedger& ledger = TheAttemptLedger();
    if (const int iSeconds = ledger.SecondsLocked(iId); iSeconds > 0) {
        SetLastErrorWait(iSeconds);
        return 0;
    }
    std::string strStored;
    if (!Store()->GetPassword(iId, strStored)) {
        return 0;
    }
    const PasswordMatch match =
        szPassword != nullptr ? MatchStoredPassword(strStored, szPassword) : PasswordMatch::kNo;
    if (match == PasswordMatch::kNo) {
        ledger.CountFailure(iId);
        SetLastErrorCode(ERR_PASSWORD_MISMATCH);
        return 0;
    }
    if (match == PasswordMatch::kYesInClear) {
        UpgradeStoredPassword(iId, strStored, szPassword);
    }
    ledger.Forget(iId);
    return 1;
}

void SetLoggedInUser(const char* szName) {
    PolicySharedState& state = SharedPolicyState();
    std::strncpy(state.szLoggedInUser, szName, kLoggedInNameMax);
    state.szLoggedInUser[kLoggedInNameMax] = '\0';
    // Written after the name, so a reader that sees the flag finds the new name.
    std::atomic_ref<std::int32_t>(state.iUpdateRequired).store(1, std::memory_order_release);
}

}  // namespace

extern "C" int CreateUser(const char* szName, const char* szPassword, int iType) {
    return Guarded(0, [&] {
        LogApi("API :: CreateUser");
        if (Store() == nullptr || szName == nullptr || szPassword == nullptr) {
            SetLastErrorCode(ERR_FAILURE);
            return Fail();
        }
        // Checked before an id is taken: an account whose name cannot be stored would make
        // every later lookup fail on it.
        if (std::strlen(szName) > CCrypto::kMaxClearLength ||
            std::strlen(szPassword) > CCrypto::kMaxClearLength) {
            SetLastErrorCode(ERR_DB_WRITE);
            return Fail();
        }
        // Hashed before the writers of every process are held off, not while.
        const std::optional<std::string> stored = StoredFormOf(szPassword);
        if (!stored) {
            return 0;
        }
        return GuardedWrite(0, [&] {
            if (!MayChange("CreateUser")) {
                return 0;
            }
            CDataStore* pStore = Store();
            const int iId = pStore->GetNewUserId();
            if (iId == 0) {
                return Fail();
            }
            const std::string strSection = CDataStore::UserSection(iId);
            const char* szSection = strSection.c_str();
            pStore->WriteString(szSection, "Name", szName);
            pStore->WriteString(szSection, "Password", stored->c_str());
            pStore->WriteInt(szSection, "Type", iType);
            for (const char* szKey : kUserListKeys) {
                pStore->WriteString(szSection, szKey, "-1");
            }
            SetLastErrorCode(ERR_SUCCESS);
            return 1;
        });
    });
}

extern "C" int DeleteUser(const char* szName) {
    return GuardedWrite(0, [&] {
        LogApi("API :: DeleteUser");
        if (!MayChange("DeleteUser")) {
            return 0;
        }
        const int iId = LookUpUser(szName);
        if (iId == 0) {
            return Fail();
        }
        if (Store()->GetUserType(iId) == USER_TYPE_SUPER_ADMIN) {
            SetLastErrorCode(ERR_SUPER_USER_DELETE);
            return Fail();
        }
        return Store()->DeleteElement(kUserSection, iId) ? 1 : Fail();
    });
}

extern "C" int IsUserExists(const char* szName) {
    return Guarded(0, [&] {
        LogApi("API :: IsUserExists");
        CDataStore::TextList names;
        if (Store() == nullptr || szName == nullptr || !Store()->GetAllUsers(names)) {
            return 0;
        }
        for (const std::string& strName : names) {
            if (CDataStore::SameUserName(strName.c_str(), szName)) {
                SetLastErrorCode(ERR_SUCCESS);
                return 1;
            }
        }
        SetLastErrorCode(ERR_SUCCESS);
        return 0;
    });
}

extern "C" int IsAdmin(const char* szName) {
    return Guarded(0, [&] {
        LogApi("API :: IsAdmin");
        const int iId = LookUpUser(szName);
        if (iId == 0) {
            return Fail();
        }
        const int iType = Store()->GetUserType(iId);
        return iType == USER_TYPE_SUPER_ADMIN || iType == USER_TYPE_ADMIN ? 1 : 0;
    });
}

extern "C" int IsSuperAdmin(const char* szName) {
    return Guarded(0, [&] {
        LogApi(Format("API :: IsSuperAdmin(%s)", szName != nullptr ? szName : "(null)"));
        const int iId = LookUpUser(szName);
        if (iId == 0) {
            return Fail();
        }
        const int iType = Store()->GetUserType(iId);
        LogApi(Format("API :: User type is %d", iType), 3);
        return iType == USER_TYPE_SUPER_ADMIN ? 1 : 0;
    });
}

extern "C" int SetGroup(const char* szName, int iGroup) {
    return GuardedWrite(0, [&] {
        LogApi("API :: SetGroup");
        if (!MayChange("SetGroup")) {
            return 0;
        }
        const int iId = LookUpUser(szName);
        if (iId == 0) {
            return Fail();
        }
        if (iGroup != USER_TYPE_ADMIN && iGroup != USER_TYPE_USER) {
            LogApi("API :: Type of group not valid", 1);
            return 0;
        }
        return Store()->WriteInt(CDataStore::UserSection(iId).c_str(), "Type", iGroup) ? 1 : Fail();
    });
}

extern "C" int ValidatePassword(const char* szName, const char* szPassword) {
    return Guarded(0, [&] {
        LogApi("API :: ValidateUser");
        const int iId = LookUpUser(szName);
        if (iId == 0 || !CheckPassword(iId, szPassword)) {
            return Fail();
        }
        // The proof carries the name as stored, to tell the account from a later one that
        // takes its id.
        std::string strName;
        if (!Store()->ReadValue(CDataStore::UserSection(iId).c_str(), "Name", strName)) {
            return Fail();
        }
        TheCallerProof().Prove(iId, strName);
        SetLastErrorCode(ERR_SUCCESS);
        return 1;
    });
}

extern "C" int ChangePassword(const char* szName, const char* szNewPassword) {
    return Guarded(0, [&] {
        LogApi("ChangePassword");
        if (szNewPassword == nullptr || std::strlen(szNewPassword) > CCrypto::kMaxClearLength) {
            SetLastErrorCode(ERR_DB_WRITE);
            return Fail();
        }
        // Hashed before the writers of every process are held off, not while.
        const std::optional<std::string> stored = StoredFormOf(szNewPassword);
        if (!stored) {
            return 0;
        }
        return GuardedWrite(0, [&] {
            if (!MayChange("ChangePassword", szName)) {
                return 0;
            }
            const int iId = LookUpUser(szName);
            return iId != 0 && Store()->WriteString(CDataStore::UserSection(iId).c_str(),
                                                    "Password", stored->c_str())
                       ? 1
                       : Fail();
        });
    });
}

extern "C" int GetAllUsers(char**& list, int& count) {
    return Guarded(0, [&] {
        LogApi("API :: GetAllUser");
        CDataStore::TextList names;
        if (Store() == nullptr || !Store()->GetAllUsers(names) || names.empty()) {
            return Fail();
        }
        if (!MakeListRecord(names, &list, &count)) {
            LogApi("DataStore:: Memory allocation failed", 1);
            return 0;
        }
        return 1;
    });
}

extern "C" int GetCurrentUser(char* szOut) {
    return Guarded(0, [&] {
        if (szOut == nullptr) {
            return 0;
        }
        char szName[kLoggedInNameSize];
        std::memcpy(szName, SharedPolicyState().szLoggedInUser, sizeof szName);
        szName[kLoggedInNameMax] = '\0';
        std::memcpy(szOut, szName, std::strlen(szName) + 1);
        LogApi(std::string("API :: current user is ") + szName, 3);
        return 1;
    });
}

extern "C" int UserLogIn(const char* szName) {
    return Guarded(0, [&] {
        LogApi("API :: UserLogIn");
        // A cut name would name a different profile.
        if (szName == nullptr || std::strlen(szName) > kLoggedInNameMax) {
            LogApi("API :: User name too long for login", 1);
            return 0;
        }
        if (!MayChange("UserLogIn", szName)) {
            return 0;
        }
        SetLoggedInUser(szName);
        LogApi(std::string("API :: User Loggedin is ") + szName, 2);
        if (!TheCallerProof().Names(szName)) {
            TheCallerProof().End();
        }
        return 1;
    });
}

extern "C" int UserLogOut() {
    return Guarded(0, [&] {
        LogApi("API :: UserLogOut");
        SetLoggedInUser("Default");
        // Whoever was logged in: the proof that came with a login goes with the logout.
        TheCallerProof().End();
        return 1;
    });
}

extern "C" int EndProof() {
    return Guarded(0, [&] {
        LogApi("API :: EndProof");
        TheCallerProof().End();
        return 1;
    });
}
