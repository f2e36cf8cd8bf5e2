#include "ui/fonts.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "platform/win32_dpi.h"

namespace ui {

platform::UniqueFont MakeFont(const FontSpec& entry, int hundredthsOfPoint, UINT dpi) {
    if (entry.face.empty()) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (platform::SystemParametersInfoAtDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics,
                                                0, dpi)) {
            return platform::UniqueFont(::CreateFontIndirectW(&metrics.lfMessageFont));
        }
        return {};
    }
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(hundredthsOfPoint, static_cast<int>(dpi), 7200);
    font.lfWeight = FW_NORMAL;
    font.lfItalic = entry.italic ? TRUE : FALSE;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    const std::size_t length = std::min(entry.face.size(), std::size(font.lfFaceName) - 1);
    std::wmemcpy(font.lfFaceName, entry.face.data(), length);
    return platform::UniqueFont(::CreateFontIndirectW(&font));
}

}  // namespace ui
