// What the console program and the service have in common: load the lists, serve them, say
// so on the first line, then reload on the reload event (or a change of a list file) until
// the stop event is set.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "tools/category-server/portable/ServerOptions.h"

// onServing: called once lookups are answered, with the port; returns the event that
// reloads, which szReloadedBy names in the output. Returns the program's exit code: 0 after
// a stop, 1 when the server could not start.
int RunServer(const CServerOptions& options, HANDLE hStop, const char* szReloadedBy,
              const std::function<HANDLE(unsigned)>& onServing);

// The named event that reloads a console server listening on uPort (in the session's
// namespace): "QuillonCategories.Reload.PORT".
std::wstring ReloadEventName(unsigned uPort);
