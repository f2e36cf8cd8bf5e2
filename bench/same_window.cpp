// The yardstick for start-up and memory: the least program that shows the
// tool's window as it looks once loaded. The same class, title, frame, icon
// and manifest; the same five controls, texts, three fonts and white backgrounds,
// laid out from the same table. No picture, no migration, nothing else.

#include <windows.h>

#include <array>

#include "platform/unique_win32.h"
#include "platform/win32_dpi.h"
#include "ui/layout.h"

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

HBRUSH whiteBrush = nullptr;  // owned by wWinMain

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORSTATIC:
            ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(whiteBrush);
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    const platform::UniqueBrush white(::CreateSolidBrush(RGB(255, 255, 255)));
    whiteBrush = white.get();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = whiteBrush;
    windowClass.lpszClassName = ui::kFrmUpdate.className.data();
    ::RegisterClassExW(&windowClass);

    const int dpi = static_cast<int>(platform::SystemDpi());
    RECT frame{0, 0, ui::TwipsToPixels(ui::kFrmUpdate.clientWidthTwips, dpi),
               ui::TwipsToPixels(ui::kFrmUpdate.clientHeightTwips, dpi)};
    ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
    const HWND window = ::CreateWindowExW(kWindowExStyle, ui::kFrmUpdate.className.data(),
                                          ui::kFrmUpdate.title.data(), kWindowStyle, CW_USEDEFAULT,
                                          0, frame.right - frame.left, frame.bottom - frame.top,
                                          nullptr, nullptr, instance, nullptr);

    std::array<platform::UniqueFont, ui::kControls.size()> fonts;
    for (std::size_t i = 0; i < ui::kControls.size(); ++i) {
        const ui::ControlSpec& entry = ui::kControls[i];
        if (entry.kind == ui::ControlKind::Picture) {
            continue;
        }
        const bool isButton = entry.kind == ui::ControlKind::PushButton;
        const bool isStatus = entry.id == ui::ControlId::lblNotify;
        const ui::PixelRect box = ui::ToPixels(entry.bounds, dpi);
        const DWORD style = WS_CHILD | WS_VISIBLE |
                            (isButton ? WS_TABSTOP | BS_PUSHBUTTON : SS_CENTER | SS_NOPREFIX) |
                            (entry.border ? WS_BORDER : 0);
        const HWND control = ::CreateWindowExW(
            0, isButton ? L"BUTTON" : L"STATIC",
            isStatus ? ui::kStandingBy.data() : entry.text.data(), style, box.left, box.top,
            box.width, box.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
            instance, nullptr);
        const int size =
            isStatus ? ui::kNotifyLoadedHundredthsOfPoint : entry.font.hundredthsOfPoint;
        fonts[i] =
            platform::MakeFont(entry.font.face, size, entry.font.italic, static_cast<UINT>(dpi));
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts[i].get()), FALSE);
    }

    ::ShowWindow(window, showCommand);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(window, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return 0;
}
