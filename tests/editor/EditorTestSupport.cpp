#include "EditorTestSupport.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/OffscreenRender.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

namespace edtest {

void PrintTo(const HostCall& c, std::ostream* os)
{
    *os << "{opcode " << c.opcode << ", index " << c.index << ", opt " << c.opt << "}";
}

std::vector<HostCall> takeHostCalls()
{
    std::vector<HostCall> out;
    for (const testhost::HostCall& c : testhost::CallLog::instance().take())
        out.push_back({c.opcode, c.index, c.opt});
    return out;
}

VSTGUI::CMouseEventResult EditorFixture::press(int x, int y, int32_t buttons)
{
    VSTGUI::CPoint p(x, y);
    return frame()->onMouseDown(p, buttons);
}

void EditorFixture::moveTo(int x, int y, int32_t buttons)
{
    VSTGUI::CPoint p(x, y);
    frame()->onMouseMoved(p, buttons);
}

void EditorFixture::release(int x, int y)
{
    VSTGUI::CPoint p(x, y);
    frame()->onMouseUp(p, 0);
}

bool noChildrenLeft(zorvanGUI* gui)
{
    for (int i = 0; i < 300; ++i) {
        gui->idle();
        int status;
        if (waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD)
            return true;
        usleep(10000);
    }
    return false;
}

cairo_surface_t* renderPanel(zorvanGUI& gui)
{
    return VSTGUI::renderFrame(*gui.getFrame());
}

cairo_surface_t* backgroundArea(const VSTGUI::CRect& r)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, r.width(), r.height());
    cairo_t* cr = cairo_create(s);
    VSTGUI::CDrawContext context(cr);
    VSTGUI::CBitmap background("background.png");
    context.fillRect(VSTGUI::CRect(0, 0, r.width(), r.height()), VSTGUI::kBlackCColor);
    context.drawBitmap(background, VSTGUI::CRect(0, 0, r.width(), r.height()), VSTGUI::CPoint(r.left, r.top));
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
}

cairo_surface_t* expectedStripArea(const char* strip, int frame, int frameHeight, const VSTGUI::CRect& r)
{
    cairo_surface_t* s = backgroundArea(r);
    cairo_t* cr = cairo_create(s);
    VSTGUI::CDrawContext context(cr);
    VSTGUI::CBitmap bitmap(strip);
    context.drawBitmap(bitmap, VSTGUI::CRect(0, 0, r.width(), r.height()), VSTGUI::CPoint(0, frame * frameHeight));
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
}

::testing::AssertionResult sameArea(cairo_surface_t* a, int ax, int ay, cairo_surface_t* b, int bx, int by, int w,
                                    int h)
{
    cairo_surface_flush(a);
    cairo_surface_flush(b);
    const unsigned char* da = cairo_image_surface_get_data(a);
    const unsigned char* db = cairo_image_surface_get_data(b);
    const int sa = cairo_image_surface_get_stride(a), sb = cairo_image_surface_get_stride(b);
    int differing = 0;
    std::ostringstream first;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t pa = reinterpret_cast<const uint32_t*>(da + (ay + y) * sa)[ax + x] & 0xffffff;
            const uint32_t pb = reinterpret_cast<const uint32_t*>(db + (by + y) * sb)[bx + x] & 0xffffff;
            if (pa != pb && differing++ == 0)
                first << "first difference at (" << x << ", " << y << "): " << std::hex << pa << " vs " << pb;
        }
    if (differing == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels differ; " << first.str();
}

StandInPath::StandInPath()
{
    char templ[] = "/tmp/zorvan-standins-XXXXXX";
    const char* made = mkdtemp(templ);
    folder = made ? made : "/tmp";
    const char* path = std::getenv("PATH");
    oldPath = path ? path : "";
    setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
}

StandInPath::~StandInPath()
{
    setenv("PATH", oldPath.c_str(), 1);
    // Remove our files one by one; the folder holds only what the tests wrote.
    for (const char* name : {"zenity", "kdialog", "xdg-open", "args", "room.wav", "My Cab.old.wav"})
        unlink((folder + "/" + name).c_str());
    rmdir(folder.c_str());
}

void StandInPath::addScript(const std::string& name, const std::string& body) const
{
    const std::string path = folder + "/" + name;
    std::ofstream out(path);
    out << "#!/bin/sh\n" << body << "\n";
    out.close();
    chmod(path.c_str(), 0755);
}

void StandInPath::isolate() const
{
    setenv("PATH", folder.c_str(), 1);
}

std::string StandInPath::readFile(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace edtest
