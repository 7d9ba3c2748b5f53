// category-server.exe run by the service manager (--service): the service "Quillon
// Categories" serves until the manager stops it, and loads its lists again on the control
// kReloadListsControl (or a change of a list file).
#pragma once

#include "tools/category-server/portable/ServerOptions.h"

// Hands the process to the service manager; returns when the service has stopped. Non-zero
// when the process was not started by the service manager.
int RunAsService(const CServerOptions& options);
