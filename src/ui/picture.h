#pragma once

#include <windows.h>

#include "platform/unique_win32.h"

namespace ui {

struct Picture {
    platform::UniqueBitmap bitmap;  // 32 bits per pixel, top-down
    SIZE size{};
};

// Decodes an image resource (RCDATA) with the Windows Imaging Component, in a
// COM apartment of its own on the calling thread, whichever it is. An empty
// picture on failure: the window is still usable without it.
Picture LoadPictureResource(HINSTANCE instance, int resourceId);

}  // namespace ui
