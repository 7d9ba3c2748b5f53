// What the category server's Windows service and the installation tool agree on.
#pragma once

#include <windows.h>

// The service's name and display name: one and the same, so that there is one name to type.
inline constexpr wchar_t kCategoryServiceName[] = L"Quillon Categories";
// A control code of the service's own (128 to 255 are for services to define): load the lists
// again.
inline constexpr DWORD kReloadListsControl = 128;
// The installation folder's folder of lists, and the service's log in it.
inline constexpr char kCategoryFolderName[] = "Categories";
inline constexpr char kCategoryServerLogName[] = "CategoryServer.Log";
inline constexpr char kCategoryServerProgram[] = "category-server.exe";
