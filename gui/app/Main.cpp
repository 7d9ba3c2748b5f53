// The program's entry: the one application object and WinMain, which runs it.
#include <windows.h>

#include "gui/app/GuiApp.h"

namespace {

CGuiApp g_theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int) {
    return g_theApp.Main(hInstance, lpCmdLine);
}
