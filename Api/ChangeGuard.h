// The one rule of every export that changes the settings or a shared switch: called first
// by each, with the export's name, so that a new setter follows it with one line:
//     if (!MayChange("SetTimeRules")) { return 0; }
#pragma once

// Whether the calling process may make the change. Allowed with the proof of an
// administrator who is still one; with the proof of the account szAccount names, where a
// user's own proof suffices (UserLogIn, ChangePassword: nullptr for every other change); and
// while the settings hold no administrator. A refusal sets ERR_NOT_ALLOWED and logs, at
// level 1, the export and the calling program; settings that cannot be read leave their own
// code. A proof whose account has gone, or was renamed, ends here.
bool MayChange(const char* szExport, const char* szAccount = nullptr);
