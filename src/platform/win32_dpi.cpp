#include "platform/win32_dpi.h"

#include "platform/system_api.h"
#include "platform/unique_win32.h"

namespace platform {
namespace {

UINT ScreenDpi() {
    const UniqueScreenDc screen(::GetDC(nullptr));
    const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

const DpiFunctions& SystemDpiFunctions() {
    static const DpiFunctions functions{
        FindSystemFunction(kGetDpiForWindow),
        FindSystemFunction(kGetDpiForSystem),
        FindSystemFunction(kSystemParametersInfoForDpi),
        FindSystemFunction(kGetSystemMetricsForDpi),
    };
    return functions;
}

UINT SystemDpi(const DpiFunctions& functions) {
    return functions.getDpiForSystem != nullptr ? functions.getDpiForSystem() : ScreenDpi();
}

UINT WindowDpi(HWND window, const DpiFunctions& functions) {
    return functions.getDpiForWindow != nullptr ? functions.getDpiForWindow(window)
                                                : SystemDpi(functions);
}

BOOL SystemParametersInfoAtDpi(UINT action, UINT parameter, void* data, UINT winIni, UINT dpi,
                               const DpiFunctions& functions) {
    if (functions.systemParametersInfoForDpi != nullptr) {
        return functions.systemParametersInfoForDpi(action, parameter, data, winIni, dpi);
    }
    if (!::SystemParametersInfoW(action, parameter, data, winIni)) {
        return FALSE;
    }
    const UINT systemDpi = SystemDpi(functions);
    if (action == SPI_GETNONCLIENTMETRICS && dpi != systemDpi) {
        auto& metrics = *static_cast<NONCLIENTMETRICSW*>(data);
        for (LOGFONTW* font :
             {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
              &metrics.lfStatusFont, &metrics.lfMessageFont}) {
            font->lfHeight =
                ::MulDiv(font->lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
        }
    }
    return TRUE;
}

int SystemMetricAtDpi(int index, UINT dpi, const DpiFunctions& functions) {
    if (functions.getSystemMetricsForDpi != nullptr) {
        return functions.getSystemMetricsForDpi(index, dpi);
    }
    return ::GetSystemMetrics(index);
}

}  // namespace platform
