#pragma once

#include <windows.h>

#include "platform/unique_win32.h"

namespace ui {

struct Picture {
    platform::UniqueBitmap bitmap;  // 32 bits per pixel, top-down
    SIZE size{};
};

// Decodes a JPEG resource (RCDATA) with the Windows Imaging Component, which
// is loaded for the call alone, in a COM apartment of its own on the calling
// thread. An empty picture on failure: the window is still usable without it.
Picture LoadPictureResource(HINSTANCE instance, int resourceId);

}  // namespace ui
