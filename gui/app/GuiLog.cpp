#include "gui/app/GuiLog.h"

CLogFile gGuiLog(1);
