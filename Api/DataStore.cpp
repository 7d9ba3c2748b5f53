#include "Api/DataStore.h"

#include <mbstring.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "Api/PolicyApi.h"
#include "Api/portable/Crypto.h"
#include "Api/portable/ErrorCodes.h"
#include "Api/portable/IdList.h"
#include "log/LogFile.h"
#include "log/portable/Format.h"
#include "win/ProductRegistry.h"

namespace {

constexpr char kTotal[] = "Total";
constexpr char kDeleted[] = "Deleted";
constexpr char kName[] = "Name";

bool Contains(const std::vector<int>& ids, int iId) {
    return std::find(ids.begin(), ids.end(), iId) != ids.end();
}

// The user list keys that point into a global section.
std::vector<const char*> UserKeysOf(const char* szSection) {
    if (std::strcmp(szSection, "IP") == 0) {
        return {"AIP", "BIP"};
    }
    if (std::strcmp(szSection, "URL") == 0) {
        return {"AURL", "BURL"};
    }
    return {szSection};
}

}  // namespace

bool CDataStore::SameUserName(const char* a, const char* b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a),
                    reinterpret_cast<const unsigned char*>(b)) == 0;
}

CDataStore::CDataStore(CLogFile* pLog) : m_ini(pLog), m_pLog(pLog) {}

void CDataStore::Log(const std::string& strText, signed char iLevel) {
    if (m_pLog != nullptr) {
        m_pLog->Write(strText, iLevel);
    }
}

const char* CDataStore::ElementSection(const char* szKey) {
    if (std::strcmp(szKey, "AIP") == 0 || std::strcmp(szKey, "BIP") == 0) {
        return "IP";
    }
    if (std::strcmp(szKey, "AURL") == 0 || std::strcmp(szKey, "BURL") == 0) {
        return "URL";
    }
    return szKey;
}

int CDataStore::Init(const char* szName) {
    std::string strPath;
    if (const CRegKey key = OpenProductKey()) {
        strPath = ReadRegString(key.Get(), "Application").value_or(std::string());
    }
    m_ini.SetPath(strPath + szName + ".ini");
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}

bool CDataStore::Verify() {
    if (m_ini.VarifyIniFile()) {
        return true;
    }
    SetLastErrorCode(ERR_SETTINGS_CORRUPTED);
    return false;
}

bool CDataStore::BeginWrite(const CMutexLock& writers) {
    if (writers.TimedOut()) {
        Log("DataStore :: Settings lock timed out", 1);
        SetLastErrorCode(ERR_DB_WRITE);
        return false;
    }
    return Verify();
}

bool CDataStore::ReadIdList(const char* szSection, const char* szKey, std::vector<int>& ids) {
    std::string strText;
    if (!m_ini.ReadText(szSection, szKey, strText)) {
        return false;
    }
    ids = ParseIdList(strText);
    return true;
}

std::vector<int> CDataStore::LiveIds(const char* szSection, bool& bOk) {
    int iTotal = 0;
    std::vector<int> deleted;
    bOk = m_ini.ReadInt(szSection, kTotal, &iTotal) && ReadIdList(szSection, kDeleted, deleted);
    std::vector<int> live;
    if (bOk) {
        for (int iId = 1; iId <= iTotal; ++iId) {
            if (!Contains(deleted, iId)) {
                live.push_back(iId);
            }
        }
    }
    return live;
}

int CDataStore::ReadValue(const char* szSection, const char* szKey, std::string& strOut,
                          size_t nMax) {
    return Verify() && m_ini.ReadText(szSection, szKey, strOut, nMax) ? 1 : 0;
}

int CDataStore::GetLastN(const char* szSection) {
    int iTotal = 0;
    return m_ini.ReadInt(szSection, kTotal, &iTotal) ? iTotal : 0;
}

int CDataStore::GetUserId(const char* szName) {
    return Verify() ? FindUserId(szName) : 0;
}

int CDataStore::FindUserId(const char* szName) {
    bool bOk = false;
    const std::vector<int> live = LiveIds(kUserSection, bOk);
    if (!bOk) {
        return 0;
    }
    for (const int iId : live) {
        std::string strName;
        if (!m_ini.ReadText(UserSection(iId).c_str(), kName, strName)) {
            return 0;
        }
        if (SameUserName(strName.c_str(), szName)) {
            SetLastErrorCode(ERR_SUCCESS);
            return iId;
        }
    }
    SetLastErrorCode(ERR_USER_NOT_FOUND);
    return 0;
}

int CDataStore::GetUserType(int iId) {
    int iType = 0;
    return Verify() && m_ini.ReadInt(UserSection(iId).c_str(), "Type", &iType) ? iType : 0;
}

int CDataStore::GetPassword(int iId, std::string& strOut) {
    return Verify() && m_ini.ReadText(UserSection(iId).c_str(), "Password", strOut) ? 1 : 0;
}

int CDataStore::ReplacePassword(int iId, const std::string& strExpected,
                                const std::string& strNew) {
    const CMutexLock writers = m_ini.HoldForWrite();
    if (!BeginWrite(writers)) {
        return 0;
    }
    const std::string strSection = UserSection(iId);
    std::string strStored;
    if (!m_ini.ReadText(strSection.c_str(), "Password", strStored) || strStored != strExpected ||
        !m_ini.WriteString(strSection.c_str(), "Password", strNew.c_str())) {
        return 0;
    }
    m_ini.UpdateDigest();
    return 1;
}

std::vector<int> CDataStore::LiveAccountsInCopy(bool& bOk) {
    std::string strTotal;
    std::string strDeleted;
    bOk = m_ini.ReadCopyText(kUserSection, kTotal, strTotal) &&
          m_ini.ReadCopyText(kUserSection, kDeleted, strDeleted);
    std::vector<int> live;
    if (bOk) {
        const std::vector<int> deleted = ParseIdList(strDeleted);
        for (int iId = 1; iId <= ParseDecimal(strTotal); ++iId) {
            if (!Contains(deleted, iId)) {
                live.push_back(iId);
            }
        }
    }
    return live;
}

int CDataStore::AccountTypeInCopy(int iId) {
    std::string strType;
    return m_ini.ReadCopyText(UserSection(iId).c_str(), "Type", strType) ? ParseDecimal(strType)
                                                                         : 0;
}

int CDataStore::LiveAccountType(int iId, const std::string& strName) {
    bool bOk = false;
    const std::vector<int> live = LiveAccountsInCopy(bOk);
    std::string strStoredName;
    if (!bOk || !Contains(live, iId) ||
        !m_ini.ReadCopyText(UserSection(iId).c_str(), kName, strStoredName) ||
        !SameUserName(strStoredName.c_str(), strName.c_str())) {
        return 0;
    }
    return AccountTypeInCopy(iId);
}

int CDataStore::HoldsAdministrator() {
    bool bOk = false;
    const std::vector<int> live = LiveAccountsInCopy(bOk);
    if (!bOk) {
        return -1;
    }
    for (const int iId : live) {
        const int iType = AccountTypeInCopy(iId);
        if (iType == USER_TYPE_SUPER_ADMIN || iType == USER_TYPE_ADMIN) {
            return 1;
        }
    }
    return 0;
}

int CDataStore::GetUserCount() {
    bool bOk = false;
    const auto live = Verify() ? LiveIds(kUserSection, bOk) : std::vector<int>();
    return static_cast<int>(live.size());
}

int CDataStore::GetAllUsers(TextList& names) {
    names.clear();
    bool bOk = false;
    const auto live = Verify() ? LiveIds(kUserSection, bOk) : std::vector<int>();
    if (!bOk) {
        return 0;
    }
    for (const int iId : live) {
        std::string strName;
        if (!m_ini.ReadText(UserSection(iId).c_str(), kName, strName)) {
            names.clear();
            return 0;
        }
        names.push_back(strName);
    }
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}

int CDataStore::AllocateId(const char* szSection, bool bUser) {
    std::vector<int> deleted;
    if (!ReadIdList(szSection, kDeleted, deleted)) {
        if (bUser) {
            Log("GetNewUserId: Reading Deleted list Failed", 1);
        }
        return 0;
    }
    if (!deleted.empty()) {
        // Freed ids are reused oldest-first.
        const int iId = deleted.front();
        deleted.erase(deleted.begin());
        return m_ini.WriteIdList(szSection, kDeleted, deleted) ? iId : 0;
    }
    int iTotal = 0;
    if (!m_ini.ReadInt(szSection, kTotal, &iTotal)) {
        return 0;
    }
    return m_ini.WriteInt(szSection, kTotal, iTotal + 1) ? iTotal + 1 : 0;
}

int CDataStore::GetNewUserId() {
    const CMutexLock writers = m_ini.HoldForWrite();
    if (!BeginWrite(writers)) {
        return 0;
    }
    const int iId = AllocateId(kUserSection, true);
    if (iId != 0) {
        m_ini.UpdateDigest();
        SetLastErrorCode(ERR_SUCCESS);
    }
    return iId;
}

int CDataStore::AddElement(const char* szSection, const char* szValue) {
    // Refuse before taking an id: an id without its value would break every later list read.
    if (std::strlen(szValue) > CCrypto::kMaxClearLength) {
        SetLastErrorCode(ERR_DB_WRITE);
        return 0;
    }
    const int iId = AllocateId(szSection, false);
    if (iId == 0 || !m_ini.WriteString(szSection, std::to_string(iId).c_str(), szValue)) {
        return 0;
    }
    return iId;
}

int CDataStore::AddElementToList(const char* szSection, const char* szValue) {
    const CMutexLock writers = m_ini.HoldForWrite();
    if (!BeginWrite(writers)) {
        return 0;
    }
    const int iId = AddElement(szSection, szValue);
    if (iId != 0) {
        m_ini.UpdateDigest();
        SetLastErrorCode(ERR_SUCCESS);
    }
    return iId;
}

bool CDataStore::ForEachLiveValue(const char* szSection, const char* szKeyPrefix,
                                  const std::function<void(int, const std::string&)>& visit) {
    bool bOk = false;
    const std::vector<int> live = LiveIds(szSection, bOk);
    if (!bOk) {
        return false;
    }
    for (const int iId : live) {
        std::string strValue;
        if (!m_ini.ReadText(szSection, (szKeyPrefix + std::to_string(iId)).c_str(), strValue)) {
            SetLastErrorCode(ERR_DB_READ);
            return false;
        }
        visit(iId, strValue);
    }
    SetLastErrorCode(ERR_SUCCESS);
    return true;
}

int CDataStore::ReadAllValues(const char* szSection, TextList& values) {
    values.clear();
    const bool bMap = std::strcmp(szSection, kMapSection) == 0;
    const bool bOk =
        ForEachLiveValue(bMap ? "WORD" : szSection, bMap ? "A" : "",
                         [&](int, const std::string& strValue) { values.push_back(strValue); });
    if (!bOk) {
        values.clear();
    }
    return bOk ? 1 : 0;
}

int CDataStore::GetAllValues(const char* szSection, TextList& values) {
    return Verify() ? ReadAllValues(szSection, values) : 0;
}

int CDataStore::ReadValueMap(const char* szSection, TextMap& values) {
    values.clear();
    // A later id with the same text replaces the earlier.
    const bool bOk = ForEachLiveValue(
        szSection, "", [&](int iId, const std::string& strValue) { values[strValue] = iId; });
    if (!bOk) {
        values.clear();
        return 0;
    }
    Log(Format("GetAllValues::Total Element Added: %d", static_cast<int>(values.size())), 4);
    return 1;
}

int CDataStore::GetAllValues(const char* szSection, TextMap& values) {
    return Verify() ? ReadValueMap(szSection, values) : 0;
}

int CDataStore::ReadUserList(int iId, const char* szKey, TextList& values) {
    values.clear();
    std::vector<int> ids;
    if (!ReadIdList(UserSection(iId).c_str(), szKey, ids)) {
        return 0;
    }
    const char* szSection = ElementSection(szKey);
    for (const int iElement : ids) {
        std::string strValue;
        if (!m_ini.ReadText(szSection, std::to_string(iElement).c_str(), strValue)) {
            // One unreadable element should not hide the rest of the profile.
            Log(Format("DataStore :: Skipped unreadable element %s->%d", szSection, iElement), 1);
            continue;
        }
        values.push_back(strValue);
    }
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}

int CDataStore::GetUserList(int iId, const char* szKey, TextList& values) {
    return Verify() ? ReadUserList(iId, szKey, values) : 0;
}

int CDataStore::WriteString(const char* szSection, const char* szKey, const char* szText) {
    const CMutexLock writers = m_ini.HoldForWrite();
    if (!BeginWrite(writers)) {
        return 0;
    }
    if (!m_ini.WriteString(szSection, szKey, szText)) {
        Log(Format("DataStore :: Failed To Write %s->%s->%s", szSection, szKey, kValueNotLogged),
            1);
        return 0;
    }
    m_ini.UpdateDigest();
    return 1;
}

int CDataStore::WriteInt(const char* szSection, const char* szKey, int n) {
    return WriteString(szSection, szKey, std::to_string(n).c_str());
}

int CDataStore::WriteListValues(int iId, const char* szKey, const TextList& values) {
    const CMutexLock writers = m_ini.HoldForWrite();
    if (!BeginWrite(writers)) {
        return 0;
    }
    const char* szSection = ElementSection(szKey);
    TextMap known;
    if (!ReadValueMap(szSection, known)) {
        return 0;
    }
    const bool bCategories = std::strcmp(szSection, "CAT") == 0;
    std::vector<int> ids;
    for (const std::string& strText : values) {
        if (const auto found = known.find(strText); found != known.end()) {
            ids.push_back(found->second);
        } else if (!bCategories) {
            const int iNew = AddElement(szSection, strText.c_str());
            if (iNew == 0) {
                Log("CDataStore::WriteListValues Failed", 1);
                return 0;
            }
            ids.push_back(iNew);
        }
    }
    if (!m_ini.WriteIdList(UserSection(iId).c_str(), szKey, ids)) {
        SetLastErrorCode(ERR_DB_WRITE);
        Log("CDataStore::WriteListValues Failed", 1);
        return 0;
    }
    m_ini.UpdateDigest();
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}

int CDataStore::DeleteElement(const char* szSection, int iId) {
    const CMutexLock writers = m_ini.HoldForWrite();
    if (!BeginWrite(writers)) {
        return 0;
    }
    std::vector<int> deleted;
    if (!ReadIdList(szSection, kDeleted, deleted)) {
        return 0;
    }
    if (Contains(deleted, iId)) {
        return 1;
    }
    deleted.push_back(iId);
    if (!m_ini.WriteIdList(szSection, kDeleted, deleted)) {
        SetLastErrorCode(ERR_DB_WRITE);
        return 0;
    }
    m_ini.UpdateDigest();
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}

int CDataStore::IdExistsInUser(const char* szName, const char* szKey, int iId) {
    if (!Verify()) {
        return 0;
    }
    const int iUser = FindUserId(szName);
    std::vector<int> ids;
    return iUser != 0 && ReadIdList(UserSection(iUser).c_str(), szKey, ids) && Contains(ids, iId)
               ? 1
               : 0;
}

void CDataStore::ClearList(const char* szSection) {
    const CMutexLock writers = m_ini.HoldForWrite();
    if (!BeginWrite(writers)) {
        return;
    }
    Log("ClearList Called", 3);
    if (GetLastN(szSection) == 0) {
        Log("GetLastN Failed in ClearList", 1);
        return;
    }
    bool bOk = false;
    const std::vector<int> live = LiveIds(szSection, bOk);
    if (!bOk) {
        Log("GetAllValues Failed in ClearList", 1);
        return;
    }
    // Every id named by any live user's lists into this section; each list read once.
    std::set<int> referenced;
    const std::vector<int> users = LiveIds(kUserSection, bOk);
    for (const int iUser : users) {
        for (const char* szKey : UserKeysOf(szSection)) {
            std::vector<int> ids;
            if (ReadIdList(UserSection(iUser).c_str(), szKey, ids)) {
                referenced.insert(ids.begin(), ids.end());
            }
        }
    }
    std::vector<int> deleted;
    if (!ReadIdList(szSection, kDeleted, deleted)) {
        return;
    }
    for (const int iId : live) {
        if (referenced.count(iId) == 0) {
            deleted.push_back(iId);
            if (!m_ini.WriteString(szSection, std::to_string(iId).c_str(), " ")) {
                Log("WriteString Failed in ClearList", 1);
            }
        }
    }
    m_ini.WriteIdList(szSection, kDeleted, deleted);
    m_ini.UpdateDigest();
}
