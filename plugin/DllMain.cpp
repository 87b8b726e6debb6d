// The Windows module's entry: keeps the module instance handle, through which
// the toolkit finds the panel pictures among the module's resources.
#include "toolkit/Resources.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
    VSTGUI::gModuleInstance = instance;
    return TRUE;
}
