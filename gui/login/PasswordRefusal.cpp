#include "gui/login/PasswordRefusal.h"

#include "Api/PolicyApi.h"
#include "Api/portable/ErrorCodes.h"
#include "gui/framework/Wnd.h"

void ShowPasswordRefusal(const CWnd& window, UINT nIdWrongPassword) {
    if (GetLastErrorCode() == ERR_TOO_MANY_ATTEMPTS) {
        window.MessageBox(GetLastErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
    } else {
        window.MessageBoxById(nIdWrongPassword, MB_OK | MB_ICONEXCLAMATION);
    }
}
