// The log of the process the filter runs in, named after its program (kept by the frame).
#pragma once

#include "log/LogFile.h"

CLogFile& FrameLog();
