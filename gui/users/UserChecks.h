// What the user screens check alike: a new user's name, and a new password typed twice.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

class CEdit;
class CWnd;

// The longest user name a screen takes: it has to fit the profile name of the edit state.
constexpr size_t kUserNameMax = 20;
// The longest password a screen sets, the accounts' own limit.
constexpr size_t kUserPasswordMax = 15;

// 1 to kUserNameMax ASCII letters and digits, at least one of them a letter.
bool IsValidUserName(const std::string& strName);

// A new password and its confirmation as typed on screen. A fault is told in a warning owned
// by the screen (nIdEmpty when the password is empty) and the focus goes back to the
// password; a mismatch or an over-long password empties both edits and both texts. True
// when the password may be set.
bool CheckNewPassword(const CWnd& screen, CEdit& passwordEdit, CEdit& confirmEdit,
                      std::string& strPassword, std::string& strConfirm, UINT nIdEmpty);
