// The installer's interactive step: the settings program asks for the administrator's
// password ("Install": set it; "UnInstall": prove it) and leaves its answer in the product
// key's "NeedToExit".
#pragma once

#include <string>

enum class StepOutcome {
    kAccepted,  // "NeedToExit" = 0
    kRefused,   // "NeedToExit" = 1: cancelled, or the administrator could not be created
    kFailed,    // the program did not run or left no answer
};

// Runs strGuiPath with "Install" (bInstall) or "UnInstall" and waits for it to end.
StepOutcome RunAdminPasswordStep(const std::string& strGuiPath, bool bInstall,
                                 std::string& strError);
