#include "ui/fonts.h"

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
    // Default precisions and quality are zero.
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(hundredthsOfPoint, static_cast<int>(dpi), 7200);
    font.lfWeight = FW_NORMAL;
    font.lfItalic = entry.italic ? TRUE : FALSE;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    entry.face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return platform::UniqueFont(::CreateFontIndirectW(&font));
}

}  // namespace ui
