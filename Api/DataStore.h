// Records, ids and lists of the settings file. Every public operation but Init and GetLastN
// first verifies the file against its digest; a failed check gives code 11 and no result.
// Every operation that writes holds the settings lock from its check to its digest update.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Api/IniFile.h"

class CLogFile;

// Section names of the settings file.
inline constexpr char kUserSection[] = "USER";
inline constexpr char kMapSection[] = "MAP";  // pseudo-section: the "A" keys of "WORD"
// The global list sections, and the list keys of every account.
inline constexpr const char* kListSections[] = {"IP", "URL", "WCAT", "WORD", "CAT"};
inline constexpr const char* kUserListKeys[] = {"AIP",  "BIP",  "AURL", "BURL",
                                                "WCAT", "WORD", "CAT"};

class CDataStore {
public:
    using TextList = std::vector<std::string>;
    using TextMap = std::map<std::string, int>;

    explicit CDataStore(CLogFile* pLog);

    // Path = the "Application" folder + szName + ".ini"; the bare file name when the folder
    // cannot be read. Always 1.
    int Init(const char* szName);
    IniFile& File() { return m_ini; }

    int ReadValue(const char* szSection, const char* szKey, std::string& strOut,
                  size_t nMax = IniFile::kReadBufferSize - 1);
    int GetLastN(const char* szSection);
    int GetUserId(const char* szName);
    int GetUserType(int iId);
    // The whole stored password (its hash, or a password stored before hashing).
    int GetPassword(int iId, std::string& strOut);
    // Writes strNew as account iId's password if it still holds strExpected, in one write
    // sequence. 1 written, 0 changed meanwhile or failed.
    int ReplacePassword(int iId, const std::string& strExpected, const std::string& strNew);
    // The two below read the accounts from the registry copy, the master the file is restored
    // from: they run before every change, and a read of the file just after a write costs a
    // parse of the whole file.
    // The type of live account iId when it is still named strName; 0 otherwise.
    int LiveAccountType(int iId, const std::string& strName);
    // 1 when a live account is an administrator (type 1 or 2), 0 when none is, -1 when the
    // accounts cannot be read (code 10).
    int HoldsAdministrator();
    int GetUserCount();
    int GetAllUsers(TextList& names);
    int GetNewUserId();
    int GetUserList(int iId, const char* szKey, TextList& values);
    int GetAllValues(const char* szSection, TextList& values);
    int GetAllValues(const char* szSection, TextMap& values);
    int AddElementToList(const char* szSection, const char* szValue);
    int WriteString(const char* szSection, const char* szKey, const char* szText);
    int WriteInt(const char* szSection, const char* szKey, int n);
    int WriteListValues(int iId, const char* szKey, const TextList& values);
    int DeleteElement(const char* szSection, int iId);
    void ClearList(const char* szSection);
    int IdExistsInUser(const char* szName, const char* szKey, int iId);

    // A text of account iId kept in as many values as it needs (DataStoreSplit.cpp): szKey
    // holds their count, szKey + "1".. the pieces. A missing count reads as "" (settings
    // written before the text existed). Read: 1, or 0 with code 10 for a missing piece.
    int ReadSplitText(int iId, const char* szKey, std::string& strOut);
    // Written in one write sequence; 0 with code 9 when a piece or the count fails.
    int WriteSplitText(int iId, const char* szKey, const std::string& strText);

    static std::string UserSection(int iId) { return kUserSection + std::to_string(iId); }
    // User names compare ignoring case, multibyte-aware.
    static bool SameUserName(const char* a, const char* b);
    // The global section a user's list key points into.
    static const char* ElementSection(const char* szKey);

private:
    bool Verify();
    // The start of every sequence that writes: the settings lock was had (else code 9), and
    // the file verified (else code 11).
    bool BeginWrite(const CMutexLock& writers);
    void Log(const std::string& strText, signed char iLevel);

    // The unverified steps the operations are made of.
    int FindUserId(const char* szName);
    bool ReadIdList(const char* szSection, const char* szKey, std::vector<int>& ids);
    std::vector<int> LiveIds(const char* szSection, bool& bOk);
    // The live account ids as the registry copy holds them.
    std::vector<int> LiveAccountsInCopy(bool& bOk);
    int AccountTypeInCopy(int iId);
    int AllocateId(const char* szSection, bool bUser);
    int AddElement(const char* szSection, const char* szValue);
    // Reads the value of every live element (key: prefix + id) in id order; false, code 10,
    // when one cannot be read.
    bool ForEachLiveValue(const char* szSection, const char* szKeyPrefix,
                          const std::function<void(int, const std::string&)>& visit);
    int ReadAllValues(const char* szSection, TextList& values);
    int ReadValueMap(const char* szSection, TextMap& values);
    int ReadUserList(int iId, const char* szKey, TextList& values);

    IniFile m_ini;
    CLogFile* m_pLog;
};
