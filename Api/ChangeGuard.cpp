#include "Api/ChangeGuard.h"

#include "Api/CallerProof.h"
#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "Api/portable/ErrorCodes.h"
#include "log/portable/Format.h"

namespace {

// The proof's account as it is now: its type, or 0 when the proof no longer holds.
int ProvedType(const CProof& proof) {
    if (proof.iAccountId == 0 || Store() == nullptr) {
        return 0;
    }
    const int iType = Store()->LiveAccountType(proof.iAccountId, proof.strName);
    if (iType == 0) {
        TheCallerProof().End();
    }
    return iType;
}

bool ProofAllows(const char* szAccount) {
    const CProof proof = TheCallerProof().Current();
    const int iType = ProvedType(proof);
    if (iType == USER_TYPE_SUPER_ADMIN || iType == USER_TYPE_ADMIN) {
        return true;
    }
    return iType != 0 && szAccount != nullptr && LookUpUser(szAccount) == proof.iAccountId;
}

}  // namespace

bool MayChange(const char* szExport, const char* szAccount) {
    if (ProofAllows(szAccount)) {
        return true;
    }
    // An installation's first steps: nobody yet to prove.
    const int iAdministrators = Store() != nullptr ? Store()->HoldsAdministrator() : -1;
    if (iAdministrators == 0) {
        return true;
    }
    if (iAdministrators > 0) {
        SetLastErrorCode(ERR_NOT_ALLOWED);
    } else if (Store() == nullptr) {
        SetLastErrorCode(ERR_SETTINGS_CORRUPTED);
    }
    LogApi(Format("API :: %s refused to %s: %s", szExport, HostProgramName().c_str(),
                  GetLastErrorMessage()),
           1);
    return false;
}
