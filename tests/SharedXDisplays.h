#pragma once
// The virtual X servers a CTest run starts once for all the real-window
// suites (runner/x-displays): VESBRIK_X_DISPLAYS names the file that lists
// them. Run alone, or where they could not be started, a suite starts its own.
#include <X11/Xlib.h>

#include <cstdlib>
#include <fstream>
#include <string>

// The shared display of that kind ("bare", or "managed" by openbox) while it
// answers, or "" for none. The pointer is put back in the middle of the
// screen, where a fresh server has it, whatever the suite before did.
inline std::string sharedXDisplay(const std::string& kind)
{
    const char* list = std::getenv("VESBRIK_X_DISPLAYS");
    std::ifstream in(list ? list : "");
    std::string name, display;
    while (in >> name >> display) {
        if (name != kind)
            continue;
        Display* x = XOpenDisplay(display.c_str());
        if (!x)
            return "";
        const int screen = DefaultScreen(x);
        XWarpPointer(x, None, RootWindow(x, screen), 0, 0, 0, 0, DisplayWidth(x, screen) / 2,
                     DisplayHeight(x, screen) / 2);
        XSync(x, False);
        XCloseDisplay(x);
        return display;
    }
    return "";
}
