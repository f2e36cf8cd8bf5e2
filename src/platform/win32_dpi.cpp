#include "platform/win32_dpi.h"

#include "platform/system_api.h"

namespace platform {

UINT SystemDpi(bool windows7) {
    if (const auto getDpiForSystem = windows7 ? nullptr : FindSystemFunction(kGetDpiForSystem)) {
        return getDpiForSystem();
    }
    const UniqueScreenDc screen(::GetDC(nullptr));
    const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT WindowDpi(HWND window, bool windows7) {
    const auto getDpiForWindow = windows7 ? nullptr : FindSystemFunction(kGetDpiForWindow);
    return getDpiForWindow != nullptr ? getDpiForWindow(window) : SystemDpi(windows7);
}

int SystemMetricAtDpi(int index, UINT dpi, bool windows7) {
    const auto getSystemMetricsForDpi =
        windows7 ? nullptr : FindSystemFunction(kGetSystemMetricsForDpi);
    return getSystemMetricsForDpi != nullptr ? getSystemMetricsForDpi(index, dpi)
                                             : ::GetSystemMetrics(index);
}

UniqueFont MakeFont(std::wstring_view face, int hundredthsOfPoint, bool italic, UINT dpi,
                    bool windows7) {
    if (face.empty()) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (const auto forDpi =
                windows7 ? nullptr : FindSystemFunction(kSystemParametersInfoForDpi)) {
            if (!forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
                return {};
            }
        } else if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
            LONG& height = metrics.lfMessageFont.lfHeight;
            height = ::MulDiv(height, static_cast<int>(dpi), static_cast<int>(SystemDpi(windows7)));
        } else {
            return {};
        }
        return UniqueFont(::CreateFontIndirectW(&metrics.lfMessageFont));
    }
    // Default precisions and quality are zero.
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(hundredthsOfPoint, static_cast<int>(dpi), 7200);
    font.lfWeight = FW_NORMAL;
    font.lfItalic = italic ? TRUE : FALSE;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return UniqueFont(::CreateFontIndirectW(&font));
}

}  // namespace platform
