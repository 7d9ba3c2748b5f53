// The exports of PolicyApi.dll, for the modules that link it.
//
// Who may change what. A process proves an account with a successful ValidatePassword. The
// proof of an administrator (types 1 and 2) lets that process make every change: the
// setters below, SetFilterOff(1), UserLogIn of anyone. The proof of a user lets it call
// UserLogIn and ChangePassword for that user only. A proof ends when the process logs out,
// logs another account in, calls EndProof, or ends. While the settings hold no administrator
// (an installation's first steps) every change is allowed. Reads, UpdateRequire, UserLogOut,
// SetFilterOff(0) and the journal are open to every caller. A refused call changes nothing,
// returns 0 and leaves code 12, "Not allowed: prove an administrator's password first".
// Five failed checks of one account within a minute refuse that account's checks for 30
// seconds, whatever the password (code 13, "Too many attempts, try again in N seconds").
#pragma once

#include "Api/portable/BlockJournalEntry.h"

// User types.
enum { USER_TYPE_SUPER_ADMIN = 1, USER_TYPE_ADMIN = 2, USER_TYPE_USER = 3 };
// The longest name GetCurrentUser gives, with its NUL.
enum { LOGGED_IN_NAME_SIZE = 24 };

extern "C" {

// Error texts, and the calling process's last error code (-1 to 14).
const char* GetErrorMessage(int iCode);
const char* GetLastErrorMessage();
int GetLastErrorCode();

// Accounts and login.
int CreateUser(const char* szName, const char* szPassword, int iType);
int DeleteUser(const char* szName);
int IsUserExists(const char* szName);
int IsAdmin(const char* szName);
int IsSuperAdmin(const char* szName);
int SetGroup(const char* szName, int iGroup);
// Passwords are stored as salted PBKDF2-HMAC-SHA256 hashes; one check takes about 100 ms.
int ValidatePassword(const char* szName, const char* szPassword);
int ChangePassword(const char* szName, const char* szNewPassword);
int GetAllUsers(char**& list, int& count);
int GetCurrentUser(char* szOut);
int UserLogIn(const char* szName);
int UserLogOut();
// Ends this process's proof: the settings program calls it after an administrative action
// taken while someone else is logged in. Always 1.
int EndProof();

// Policy lists. Lists come back as (array of texts, count) records in global memory, to be
// released with FreeListMemory; set *list to NULL and *count to 0 before a Get call.
int GetIPList(const char* szUser, int iAllowed, char*** list, int* count);
int GetURLList(const char* szUser, int iAllowed, char*** list, int* count);
int GetWordCatList(const char* szUser, char*** list, int* count);
int GetWordList(const char* szUser, char*** list, int* count);
int GetCategoryList(const char* szUser, char*** list, int* count);
int SetIPList(const char* szUser, int iAllowed, char*** list, int* count);
int SetURLList(const char* szUser, int iAllowed, char*** list, int* count);
int SetWordCatList(const char* szUser, char*** list, int* count);
int SetWordList(const char* szUser, char*** list, int* count);
int SetCategoryList(const char* szUser, char*** list, int* count);
int GetAllIP(char*** list, int* count);
int GetAllURL(char*** list, int* count);
int GetAllWordCat(char*** list, int* count);
int GetAllWord(char*** list, int* count);
int GetAllCategory(char*** list, int* count);
int GetAllMap(int** map, int* count);
int GetAllCatAndWord(char*** cats, char*** words, int** map, int* catCount, int* wordCount);
int SetAllCatAndWord(char*** cats, char*** words, int** map, int* catCount, int* wordCount);
void FreeListMemory(char*** list, int* count);
int IsCategoryExists(const char* szCategory);
int ReadCategoryFile();
int ClearIP();
int ClearURL();
int ClearWord();
int ClearWCat();
int ClearCat();

// Shared flags and configuration.
// 1 when the switch holds iOff (persisted when it moved); 0 when refused or not persisted.
int SetFilterOff(int iOff);
int GetFilterOff();
int IsUpdateRequire();
int UpdateRequire(int iRequired);
int GetServerIP(unsigned long* pAddress);
// szIp receives at most 15 characters and a NUL.
int GetTLVServerIP(char* szIp, int* pPort);
int GetTLVTimeout();
// 1 when the "StrictFilter" value is 1: every HTTP request judged however it is written (with
// overlapped I/O, split over sends, on a reused connection) and a silent category server given
// up on quickly. 0 when the value is absent, anything else, or the key cannot be opened.
int GetStrictFilter();
// The second category server, "TLVServer2" ("a.b.c.d:port"), asked when the first does not
// answer: szIp receives at most 15 characters and a NUL. 0 when there is none or the value is
// not an IPv4 address and port.
int GetTLVServer2(char* szIp, int* pPort);
// How long the filter keeps a category it was told, "CategoryCacheSeconds": 600 when the value
// is absent, 0 for not at all.
int GetCategoryCacheSeconds();
// szOut receives at most 1023 characters and a NUL.
int GetApplicationPath(char* szOut);
int RenameFiles();

// Time rules, one text per profile (its grammar in Api/portable/TimeRules.h):
//     allow mon-fri 07:00-08:00,16:00-20:00; allow sat,sun 08:00-21:00; limit all 90
// A buffer of TIME_RULES_TEXT_SIZE holds any text the library keeps.
enum { TIME_RULES_TEXT_SIZE = 4608 };
// Stores the profile's rules in the library's canonical form, and asks the filter to reload.
// 0 with code 14 for a text that cannot be read whole (CheckTimeRules names the fault), 12
// without an administrator's proof, 3 for an unknown profile.
int SetTimeRules(const char* szUser, const char* szRules);
// The profile's rules in canonical form ("" for none); 0 when szOut (iSize bytes) is too small.
int GetTimeRules(const char* szUser, char* szOut, int iSize);
// 1 with the canonical form of szRules in szOut, or 0 with code 14 and the first fault there
// ("clause 2 (\"limit sun\"): expected minutes (0 to 1440), found the end of the clause").
int CheckTimeRules(const char* szRules, char* szOut, int iSize);

// Internet time. A minute counts for the profile in force when some program made a judged web
// request in it and the person gave keyboard or mouse input in it; when nothing has recorded
// input for two minutes (no settings program), a minute with a request counts alone. The day's
// count is kept in the settings file and starts again at local midnight.
//
// What the filter calls for each judged request of a profile with time rules: counts the
// minute, and fills *pNow (may be null) with today's count, grants and the local time. With
// TIME_USAGE_SAVE_ALONE, the filter saves the count itself while nothing records input. 0 for an
// unknown profile or one whose count cannot be had (*pNow then holds the local time and 0
// minutes used).
typedef struct TimeUsageNow {
    int iUsed;
    int iExtraMinutes;  // minutes a parent granted today
    int iUntilMinute;   // allowed until this minute of today whatever the hours; -1 none
    int iDay;           // 0 Monday .. 6 Sunday
    int iMinute;        // local minute of the day
} TimeUsageNow;
// iFlags: TIME_USAGE_PEEK only reads today's count; TIME_USAGE_SAVE_ALONE (below).
enum { TIME_USAGE_SAVE_ALONE = 1, TIME_USAGE_PEEK = 2 };
int CountInternetMinute(const char* szProfile, int iFlags, TimeUsageNow* pNow);
// What the settings program calls every 15 seconds on the person's desktop, input or not: the
// milliseconds since the last input (GetLastInputInfo). Also saves the counts that moved.
int RecordUserInput(unsigned int uIdleMs);
// A parent's grant for today (administrator's proof): iMinutes added to today's allowance,
// and/or szUntil ("HH:MM", or null) the internet allowed until then whatever the hours say.
// Grants add up (the later time stands) and end at local midnight.
int GrantTime(const char* szUser, int iMinutes, const char* szUntil);
// A profile's time now, for the settings program.
typedef struct TimeState {
    int iAllowed;        // 1 when the rules allow the internet now
    int iReason;         // 0 allowed, 1 no minutes left today, 2 outside the allowed hours
    char szReason[128];  // as the block page names it; "" when allowed
    int iHasRules;
    int iUsed;       // minutes used today
    int iAllowance;  // today's limit with granted minutes; -1 for none
    int iLeft;       // minutes left today; -1 for no limit
    int iExtraMinutes;
    int iUntilMinute;  // -1 for none
    int iNextDay;      // when blocked: days from today to the next allowed minute; -1 never
    int iNextMinute;
    int iDay;     // now: 0 Monday .. 6 Sunday
    int iMinute;  // now: local minute of the day
} TimeState;
int GetTimeState(const char* szUser, TimeState* pState);

// Journal of blocks: the last 256 blocks the filter made in any process of the user's session
// (an HTTP block page delivered, an HTTPS connection refused), in memory shared by those
// processes and by any program that reads it. It lasts while any process that has used it is
// running, and starts empty, from number 1, when none is.
//
// Records a copy of *pEntry. The library sets its sequence number, the time when ullTime is 0,
// and the process name when szProcess is empty; texts are cut to their fields. 1 when recorded;
// 0 for a null pEntry, when the journal cannot be opened, or in a rare race: the ring came
// round to this entry's slot while another writer was still copying into it, or a newer entry
// was already there. The entry is then given up and its number never seen. A writer never
// waits, for readers or for other writers.
int AppendBlockJournal(const BlockJournalEntry* pEntry);
// Copies into pEntries, oldest first, at most nMax of the entries still in the journal whose
// sequence number is greater than ullAfter, and sets *pCount to their number (never more than
// 256). Pass 0 to get everything, then the last number received to get only newer ones.
// Entries are never torn: one still being written is left out. A first number greater than
// ullAfter + 1, or a gap between two numbers, means the entries in between were overwritten
// before this call, given up, or still being written; a later call from the last number
// received will not return them. Returns 1; 0 (with *pCount 0) for a null pCount, a negative
// nMax, a null pEntries with nMax above 0, or when the journal cannot be opened.
int ReadBlockJournal(unsigned long long ullAfter, BlockJournalEntry* pEntries, int nMax,
                     int* pCount);
}
