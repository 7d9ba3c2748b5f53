#include "Api/CallerProof.h"

#include "Api/DataStore.h"

void CCallerProof::Prove(int iAccountId, const std::string& strName) {
    const std::lock_guard lock(m_lock);
    m_proof = CProof{iAccountId, strName};
}

void CCallerProof::End() {
    const std::lock_guard lock(m_lock);
    m_proof = CProof{};
}

CProof CCallerProof::Current() const {
    const std::lock_guard lock(m_lock);
    return m_proof;
}

bool CCallerProof::Names(const char* szName) const {
    const std::lock_guard lock(m_lock);
    return m_proof.iAccountId != 0 && szName != nullptr &&
           CDataStore::SameUserName(m_proof.strName.c_str(), szName);
}

CCallerProof& TheCallerProof() {
    static CCallerProof s_proof;
    return s_proof;
}
