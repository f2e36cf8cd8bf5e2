// x_pointer: prints "arrow", "wait" or "other": the pointer that the X server
// shows now, as a person at the display sees it. Native, not Windows: under
// Wine every process has its own copy of each system cursor, so a handle read
// from another process never equals the reader's IDC_ARROW or IDC_WAIT.
// Wine shows the cursor theme's "left_ptr" for IDC_ARROW and "watch" for
// IDC_WAIT, loaded as Xcursor loads them for this display.
// Exit codes: 0 named, 1 no display or no XFIXES, 2 the theme has neither cursor.

#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct CloseDisplay {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
struct FreeShown {
    void operator()(XFixesCursorImage* image) const { XFree(image); }
};
struct FreeImages {
    void operator()(XcursorImages* images) const { XcursorImagesDestroy(images); }
};
using UniqueDisplay = std::unique_ptr<Display, CloseDisplay>;
using UniqueShown = std::unique_ptr<XFixesCursorImage, FreeShown>;
using UniqueImages = std::unique_ptr<XcursorImages, FreeImages>;

// XFIXES hands out 32-bit pixels in unsigned longs, Xcursor in 32-bit ints.
bool SameImage(const XFixesCursorImage& shown, const XcursorImage& frame) {
    if (shown.width != frame.width || shown.height != frame.height || shown.xhot != frame.xhot ||
        shown.yhot != frame.yhot) {
        return false;
    }
    const unsigned long count = static_cast<unsigned long>(shown.width) * shown.height;
    for (unsigned long i = 0; i < count; ++i) {
        if ((shown.pixels[i] & 0xFFFFFFFFul) != frame.pixels[i]) {
            return false;
        }
    }
    return true;
}

// True if the theme has the cursor; then *matches says whether it is shown.
bool ThemeCursorShown(Display* display, const char* themeName, const XFixesCursorImage& shown,
                      bool* matches) {
    const UniqueImages images(XcursorLibraryLoadImages(themeName, XcursorGetTheme(display),
                                                       XcursorGetDefaultSize(display)));
    if (!images) {
        return false;
    }
    *matches = false;
    for (int i = 0; i < images->nimage && !*matches; ++i) {
        *matches = SameImage(shown, *images->images[i]);
    }
    return true;
}

}  // namespace

int main() {
    const UniqueDisplay display(XOpenDisplay(nullptr));
    int eventBase = 0;
    int errorBase = 0;
    if (!display || !XFixesQueryExtension(display.get(), &eventBase, &errorBase)) {
        std::fprintf(stderr, "x_pointer: no X display with XFIXES\n");
        return 1;
    }
    const UniqueShown shown(XFixesGetCursorImage(display.get()));
    if (!shown) {
        std::fprintf(stderr, "x_pointer: the server shows no cursor\n");
        return 1;
    }
    bool isArrow = false;
    bool isWait = false;
    const bool haveArrow = ThemeCursorShown(display.get(), "left_ptr", *shown, &isArrow);
    const bool haveWait = ThemeCursorShown(display.get(), "watch", *shown, &isWait);
    if (!haveArrow && !haveWait) {
        std::fprintf(stderr, "x_pointer: the cursor theme has neither left_ptr nor watch\n");
        return 2;
    }
    if (isArrow || isWait) {
        std::puts(isArrow ? "arrow" : "wait");
        return 0;
    }
    const std::string name = shown->name != nullptr ? shown->name : "";
    std::printf("other %dx%d hot %d,%d%s%s\n", shown->width, shown->height, shown->xhot,
                shown->yhot, name.empty() ? "" : " ", name.c_str());
    return 0;
}
