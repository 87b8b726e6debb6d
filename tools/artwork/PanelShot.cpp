// Opens the plug-in's editor without a window and writes the panel, drawn by
// the toolkit's offscreen back-end, to a PNG file. Parameters can be set first:
//
//   zorvan-panel-shot docs/panel.png 8=1 2=0.75 about
//
// "index=value" sets a parameter through the plug-in; "about" clicks the info
// area so the about box shows.
#include "editor/zorvanGUI.h"
#include "plugin/Zorvan.h"
#include "toolkit/CFrame.h"
#include "toolkit/OffscreenRender.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zorvan-panel-shot <out.png> [index=value ...] [about]\n");
        return 2;
    }
    Zorvan plugin(hostCallback);
    auto* gui = static_cast<zorvanGUI*>(plugin.getEditor());
    if (!gui)
        return 1;
    bool showAbout = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "about") == 0) {
            showAbout = true;
            continue;
        }
        const char* eq = std::strchr(argv[i], '=');
        if (!eq) {
            std::fprintf(stderr, "zorvan-panel-shot: expected index=value, got %s\n", argv[i]);
            return 2;
        }
        plugin.setParameter(std::atoi(argv[i]), static_cast<float>(std::atof(eq + 1)));
    }
    gui->open(nullptr);
    if (showAbout) {
        VSTGUI::CPoint where(570, 213);
        gui->getFrame()->onMouseDown(where, VSTGUI::kLButton);
    }
    const bool ok = VSTGUI::writeFramePng(*gui->getFrame(), argv[1]);
    gui->close();
    if (!ok)
        std::fprintf(stderr, "zorvan-panel-shot: cannot write %s\n", argv[1]);
    return ok ? 0 : 1;
}
