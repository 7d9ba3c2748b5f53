// The window a second start of the program brings to the front, shared by every copy of the
// program: only this definition lives here, since its attributes are the linker's business.
#include "gui/app/ProgramWindow.h"

HWND gActiveWindow __attribute__((section(".shr"), shared)) = nullptr;
