// The account this process proved with its last successful ValidatePassword. Kept in the
// process's own memory: another process never sees it. It ends when the process logs out,
// logs another account in, calls EndProof, or ends (the library's detach).
#pragma once

#include <mutex>
#include <string>

struct CProof {
    int iAccountId = 0;   // 0: nothing proved
    std::string strName;  // as the store held it when proved
};

class CCallerProof {
public:
    void Prove(int iAccountId, const std::string& strName);
    void End();
    CProof Current() const;
    // Whether szName names the proved account (names ignore case).
    bool Names(const char* szName) const;

private:
    mutable std::mutex m_lock;
    CProof m_proof;
};

// The process's one proof.
CCallerProof& TheCallerProof();
