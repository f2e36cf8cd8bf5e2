#pragma once

#include <windows.h>

#include "platform/unique_win32.h"
#include "ui/layout.h"

namespace ui {

// The font of a control-table entry at a size and a resolution; for an entry
// without a face, the system's dialog font at that resolution.
platform::UniqueFont MakeFont(const FontSpec& entry, int hundredthsOfPoint, UINT dpi);

}  // namespace ui
