#include "toolkit/GdiPlusSession.h"

#include <mutex>

namespace VSTGUI {

namespace {
std::mutex gMutex;    // guards the two below
int gUsers = 0;       // successful acquires not yet released
ULONG_PTR gToken = 0; // GdiplusStartup's token while running
} // namespace

bool acquireGdiPlus()
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (gUsers == 0) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&gToken, &input, nullptr) != Gdiplus::Ok)
            return false;
    }
    ++gUsers;
    return true;
}

void releaseGdiPlus()
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (gUsers > 0 && --gUsers == 0) {
        Gdiplus::GdiplusShutdown(gToken);
        gToken = 0;
    }
}

} // namespace VSTGUI
