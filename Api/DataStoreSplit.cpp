// Texts longer than one stored value, kept in several values of an account's section.
#include <cstdlib>

#include "Api/DataStore.h"
#include "Api/portable/Crypto.h"
#include "Api/portable/ErrorCodes.h"
#include "Api/portable/SplitText.h"

int CDataStore::ReadSplitText(int iId, const char* szKey, std::string& strOut) {
    strOut.clear();
    if (!Verify()) {
        return 0;
    }
    const std::string strSection = UserSection(iId);
    std::string strCount;
    if (!m_ini.ReadText(strSection.c_str(), szKey, strCount)) {
        SetLastErrorCode(ERR_SUCCESS);
        return 1;
    }
    const int nPieces = std::atoi(strCount.c_str());
    for (int i = 1; i <= nPieces; ++i) {
        const std::string strPieceKey = szKey + std::to_string(i);
        std::string strPiece;
        if (!m_ini.ReadText(strSection.c_str(), strPieceKey.c_str(), strPiece)) {
            strOut.clear();
            return 0;
        }
        strOut += strPiece;
    }
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}

int CDataStore::WriteSplitText(int iId, const char* szKey, const std::string& strText) {
    const std::vector<std::string> pieces = SplitForValues(strText, CCrypto::kMaxClearLength);
    if (pieces.empty() && !strText.empty()) {
        SetLastErrorCode(ERR_DB_WRITE);
        return 0;
    }
    const CMutexLock writers = m_ini.HoldForWrite();
    if (!BeginWrite(writers)) {
        return 0;
    }
    const std::string strSection = UserSection(iId);
    bool bOk = true;
    for (std::size_t i = 0; bOk && i < pieces.size(); ++i) {
        const std::string strPieceKey = szKey + std::to_string(i + 1);
        bOk = m_ini.WriteString(strSection.c_str(), strPieceKey.c_str(), pieces[i].c_str()) != 0;
    }
    bOk =
        bOk && m_ini.WriteString(strSection.c_str(), szKey, std::to_string(pieces.size()).c_str());
    if (!bOk) {
        // The digest stays as it was, so that the next check restores the file from its copy.
        Log("DataStore :: Failed To Write " + strSection + "->" + szKey, 1);
        SetLastErrorCode(ERR_DB_WRITE);
        return 0;
    }
    m_ini.UpdateDigest();
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}
