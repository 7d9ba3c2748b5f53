// The settings program's diagnostics log: one writer with time stamps, named "GuiCallLog"
// when the program starts and "GuiLogFile" once it knows it is the only copy running.
#pragma once

#include "log/LogFile.h"

extern CLogFile gGuiLog;
