#include "ui/main_window.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/system_api.h"
#include "platform/win32_dpi.h"
#include "ui/resource.h"

namespace ui {
namespace {

// A fixed dialog frame: a caption with the close box only, no sizing border.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
// Centred, broken at words and inside overlong ones, "&" shown as is: kLabelTextFormat.
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_EDITCONTROL | SS_NOPREFIX;
constexpr UINT kLabelTextFormat =
    DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
// Often enough to look alive, seldom enough to cost nothing.
constexpr UINT kProgressIntervalMs = 250;

// Spelled out: mingw's oleacc library has wrong values for some, its headers lack the rest.
constexpr CLSID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kLiveSetting = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr MSAAPROPID kDescription = {
    0x4d48dfe4, 0xbd3f, 0x491f, {0xa6, 0x48, 0x49, 0x2d, 0x6f, 0x20, 0xc5, 0x88}};
// Not in the headers before Windows 8; older systems ignore the event.
constexpr DWORD kEventObjectLiveRegionChanged = 0x8019;
constexpr auto kClient = static_cast<DWORD>(OBJID_CLIENT);

// Relative luminance of an sRGB colour, as contrast ratios are defined.
double Luminance(COLORREF colour) {
    const auto linear = [](BYTE channel) {
        const double value = channel / 255.0;
        return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(GetRValue(colour)) + 0.7152 * linear(GetGValue(colour)) +
           0.0722 * linear(GetBValue(colour));
}

// Text reads on white at a contrast of 4.5:1 or more.
bool ReadsOnWhite(COLORREF text) { return 1.05 / (Luminance(text) + 0.05) >= 4.5; }

// From comctl32 as the buttons loaded it: not imported, it is never looked for beside the exe.
void RegisterTooltipClass() {
    constexpr platform::SystemFunction<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>
        kInitCommonControlsEx{L"comctl32.dll", "InitCommonControlsEx"};
    if (const auto initialise = platform::FindSystemFunction(kInitCommonControlsEx)) {
        const INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_BAR_CLASSES};
        initialise(&classes);
    }
}

bool TextFits(HDC dc, HFONT font, const std::wstring& text, const RECT& box) {
    const HGDIOBJ previous = ::SelectObject(dc, font);
    RECT needed = {0, 0, box.right - box.left, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
                kLabelTextFormat | DT_CALCRECT);
    ::SelectObject(dc, previous);
    return needed.right - needed.left <= box.right - box.left &&
           needed.bottom - needed.top <= box.bottom - box.top;
}

SIZE ClientSize(UINT dpi) {
    return {TwipsToPixels(kFrmUpdate.clientWidthTwips, static_cast<int>(dpi)),
            TwipsToPixels(kFrmUpdate.clientHeightTwips, static_cast<int>(dpi))};
}

// The client area exactly the laid-out size, around the frame that the window really has.
void FitClientArea(HWND window, UINT dpi) {
    RECT frame;
    RECT client;
    ::GetWindowRect(window, &frame);
    ::GetClientRect(window, &client);
    const SIZE size = ClientSize(dpi);
    ::SetWindowPos(window, nullptr, 0, 0, size.cx + (frame.right - frame.left) - client.right,
                   size.cy + (frame.bottom - frame.top) - client.bottom,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

// The build's 24-bit bitmap, drawn from the module's memory; null if missing.
const BITMAPINFO* FindPicture(HINSTANCE instance) {
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(IDB_PICTURE), RT_BITMAP);
    return static_cast<const BITMAPINFO*>(
        found != nullptr ? ::LockResource(::LoadResource(instance, found)) : nullptr);
}

// The system menu of a fixed dialog: Move and Close only.
void TrimSystemMenu(HWND window) {
    if (const HMENU menu = ::GetSystemMenu(window, FALSE)) {
        for (const UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
            ::DeleteMenu(menu, command, MF_BYCOMMAND);
        }
    }
}

}  // namespace

bool NeedsSystemColours(DWORD highContrastFlags, COLORREF windowText, COLORREF buttonText) {
    return (highContrastFlags & HCF_HIGHCONTRASTON) != 0 || !ReadsOnWhite(windowText) ||
           !ReadsOnWhite(buttonText);
}

bool MainWindow::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &WindowProc;
    // The dialog manager's bytes: focus kept over deactivation, Enter on the focused button.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    // No class icon: the window sets its own, at its DPI.
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kFrmUpdate.className.data();
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

MainWindow::MainWindow(platform::Win32Desktop& desktop, platform::FileSystem& files,
                       std::function<std::uint64_t()> bytesCopied)
    : desktop_(desktop), files_(files), bytesCopied_(std::move(bytesCopied)) {}

MainWindow::~MainWindow() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

bool MainWindow::Create(HINSTANCE instance) {
    instance_ = instance;
    picture_ = FindPicture(instance);
    // The client area's size to start with; the frame is added once it is known.
    const SIZE size = ClientSize(platform::SystemDpi());
    if (::CreateWindowExW(kWindowExStyle, kFrmUpdate.className.data(), kFrmUpdate.title.data(),
                          kWindowStyle, CW_USEDEFAULT, 0, size.cx, size.cy, nullptr, nullptr,
                          instance, this) == nullptr) {
        return false;
    }
    desktop_.SetMainWindow(window_, ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_SHORTCUTS)));
    TrimSystemMenu(window_);
    // The shell's word that the taskbar button can show progress, let through to the elevated tool.
    taskbarButtonCreated_ = ::RegisterWindowMessageW(L"TaskbarButtonCreated");
    ::ChangeWindowMessageFilterEx(window_, taskbarButtonCreated_, MSGFLT_ALLOW, nullptr);
    dpi_ = platform::WindowDpi(window_);
    FitClientArea(window_, dpi_);
    // The picture is drawn by the window itself; the others are child windows.
    for (const ControlSpec& entry : kControls) {
        if (entry.kind == ControlKind::Picture) {
            continue;
        }
        const bool isButton = entry.kind == ControlKind::PushButton;
        DWORD style = isButton ? kButtonStyle : kLabelStyle | (entry.border ? WS_BORDER : 0);
        // The status line takes the mouse, for its tooltip.
        style |= entry.id == ControlId::lblNotify ? SS_NOTIFY : 0;
        // A control that cannot be made is left out: the window shows the others.
        static_cast<void>(::CreateWindowExW(
            0, isButton ? L"BUTTON" : L"STATIC", entry.text.data(), style, 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance_, nullptr));
    }
    ApplyColourScheme();
    LayOut();
    Write(std::wstring(kStandingBy), {});
    return true;
}

void MainWindow::Show(int showCommand) {
    ::ShowWindow(window_, showCommand);
    ::UpdateWindow(window_);
    ::SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(ControlId::cmdBegin)),
                   TRUE);
    // After the messages that wait for the window now have been answered.
    ::PostMessageW(window_, kAccessibilityMessage, 0, 0);
}

// The status line as a polite live region, with its whole text as its tooltip.
void MainWindow::OnSetUpAccessibility() {
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = 1;  // Polite, of the live settings
    if (FAILED(::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  kIAccPropServices,
                                  reinterpret_cast<void**>(statusRegion_.GetAddressOf()))) ||
        FAILED(statusRegion_->SetHwndProp(Control(ControlId::lblNotify), kClient, CHILDID_SELF,
                                          kLiveSetting, polite))) {
        statusRegion_.Reset();
    }
    RegisterTooltipClass();
    statusTip_ =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
    ShowWholeStatus(true);
}

// The text and, after a failure, its cause below it.
std::wstring MainWindow::WholeStatus() const {
    return statusCause_.empty() ? statusText_ : statusText_ + L"\r\n" + statusCause_;
}

// The tooltip and, after a failure, the accessible description: the whole status.
void MainWindow::ShowWholeStatus(bool add) {
    std::wstring whole = WholeStatus();
    const HWND label = Control(ControlId::lblNotify);
    if (statusRegion_ && statusCause_.empty()) {
        statusRegion_->ClearHwndProps(label, kClient, CHILDID_SELF, &kDescription, 1);
    } else if (statusRegion_) {
        statusRegion_->SetHwndPropStr(label, kClient, CHILDID_SELF, kDescription, whole.c_str());
    }
    if (statusTip_ == nullptr) {
        return;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = whole.data();
    ::SendMessageW(statusTip_, add ? TTM_ADDTOOLW : TTM_UPDATETIPTEXTW, 0,
                   reinterpret_cast<LPARAM>(&tool));
    // Long texts wrap at the width of the status line.
    const PixelRect box = ToPixels(Definition(ControlId::lblNotify).bounds, static_cast<int>(dpi_));
    ::SendMessageW(statusTip_, TTM_SETMAXTIPWIDTH, 0, box.width);
}

// White, which blends with the picture, unless the text needs the system's colours.
void MainWindow::ApplyColourScheme() {
    HIGHCONTRASTW contrast{sizeof(contrast), 0, nullptr};
    const bool told = ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0);
    systemColours_ = NeedsSystemColours(
        told ? contrast.dwFlags : 0, ::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_BTNTEXT));
    backBrush_.reset(::CreateSolidBrush(BackColour()));
}

// Everything that follows the resolution: icons, controls' places and fonts, tooltip width.
void MainWindow::LayOut() {
    for (const auto [type, width, height] : {std::array{ICON_BIG, SM_CXICON, SM_CYICON},
                                             std::array{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
        platform::UniqueIcon icon(static_cast<HICON>(
            ::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                         platform::SystemMetricAtDpi(width, dpi_),
                         platform::SystemMetricAtDpi(height, dpi_), LR_DEFAULTCOLOR)));
        ::SendMessageW(window_, WM_SETICON, type, reinterpret_cast<LPARAM>(icon.get()));
        // The window no longer uses the old icon once it has the new one.
        icons_[type] = std::move(icon);
    }
    for (const ControlSpec& entry : kControls) {
        if (const HWND control = Control(entry.id)) {
            const PixelRect pixels = ToPixels(entry.bounds, static_cast<int>(dpi_));
            ::SetWindowPos(control, nullptr, pixels.left, pixels.top, pixels.width, pixels.height,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyFont(entry.id);
        }
    }
    ShowWholeStatus();
    ::InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::ApplyFont(ControlId id) {
    const FontSpec& entry = Definition(id).font;
    platform::UniqueFont font =
        id == ControlId::lblNotify
            ? FittingStatusFont()
            : platform::MakeFont(entry.face, entry.hundredthsOfPoint, entry.italic, dpi_);
    ::SendMessageW(Control(id), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    // The control no longer uses the old font once it has the new one.
    fonts_[IndexOf(id)] = std::move(font);
}

// The loaded size if the text fits the (fixed) box, else a point smaller at a time, to 8 pt.
platform::UniqueFont MainWindow::FittingStatusFont() const {
    const FontSpec& entry = Definition(ControlId::lblNotify).font;
    const platform::UniqueDc dc(::CreateCompatibleDC(nullptr));
    RECT box;
    const bool measurable =
        !statusText_.empty() && dc && ::GetClientRect(Control(ControlId::lblNotify), &box);
    for (int size = kNotifyLoadedHundredthsOfPoint;; size -= kNotifyStepHundredthsOfPoint) {
        platform::UniqueFont font = platform::MakeFont(entry.face, size, entry.italic, dpi_);
        if (!measurable || !font || size <= kNotifyLegibleHundredthsOfPoint ||
            TextFits(dc.get(), font.get(), statusText_, box)) {
            return font;
        }
    }
}

void MainWindow::Write(const std::wstring& text, const std::wstring& cause) {
    statusText_ = text;
    statusCause_ = cause;
    // After the window has gone, a run that is winding down writes nowhere.
    const HWND label = Control(ControlId::lblNotify);
    if (label == nullptr) {
        return;
    }
    // The size first, so the text is never drawn cut; announced once name and description hold it.
    ApplyFont(ControlId::lblNotify);
    ::SetWindowTextW(label, statusText_.c_str());
    ShowWholeStatus();
    ::NotifyWinEvent(kEventObjectLiveRegionChanged, label, OBJID_CLIENT, CHILDID_SELF);
}

// The taskbar button shows the bytes moved against the run's total (Windows 7 and later).
void MainWindow::Start(std::uint64_t totalBytes) {
    progress_.Start(bytesCopied_ ? bytesCopied_() : 0, totalBytes);
    ShowProgress();
    if (window_ != nullptr && progress_.State() == ProgressState::Normal) {
        ::SetTimer(window_, kProgressTimer, kProgressIntervalMs, nullptr);
    }
}

void MainWindow::Finish(migration::RunEnd end, std::int32_t errorNumber) {
    exitCode_ = end == migration::RunEnd::Done     ? 0
                : end == migration::RunEnd::Failed ? errorNumber
                                                   : kExitNoRunEnded;
    progress_.Finish(end);
    if (window_ != nullptr) {
        ::KillTimer(window_, kProgressTimer);
    }
    ShowProgress();
}

void MainWindow::ShowProgress() {
    if (window_ == nullptr || !taskbar_) {
        return;
    }
    const ProgressState state = progress_.State();
    taskbar_->SetProgressState(window_, state == ProgressState::Normal  ? TBPF_NORMAL
                                        : state == ProgressState::Error ? TBPF_ERROR
                                                                        : TBPF_NOPROGRESS);
    if (state != ProgressState::None) {
        taskbar_->SetProgressValue(window_, progress_.Moved(), progress_.Total());
    }
}

// Again whenever the shell makes the button anew, as after a restart of the shell.
void MainWindow::OnTaskbarButtonCreated() {
    if (!taskbar_ && (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_PPV_ARGS(taskbar_.GetAddressOf()))) ||
                      FAILED(taskbar_->HrInit()))) {
        taskbar_.Reset();
    }
    ShowProgress();
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* creating = static_cast<MainWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        creating->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
    } else if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefDlgProcW(window, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        // No C++ exception may unwind through the system's frames.
        return ::DefDlgProcW(window, message, wParam, lParam);
    }
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarButtonCreated_ && message != 0) {
        OnTaskbarButtonCreated();
        return 0;
    }
    switch (message) {
        case WM_COMMAND: {
            // Esc arrives as IDCANCEL, which is no button's: it presses nothing.
            const auto id = static_cast<ControlId>(LOWORD(wParam));
            if (HIWORD(wParam) == BN_CLICKED && id == ControlId::cmdBegin) {
                OnBegin();
            } else if (HIWORD(wParam) == BN_CLICKED && id == ControlId::cmdExit) {
                ::DestroyWindow(window);
            } else if (LOWORD(wParam) == IDM_COPY && HIWORD(wParam) == 1) {
                OnCopy();
            }
            return 0;
        }
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                OnEndSession();
            }
            return 0;
        case WM_CLOSE:
            ::DestroyWindow(window);
            return 0;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC: {
            // The window, which the dialog manager erases with this brush, and its labels.
            const auto dc = reinterpret_cast<HDC>(wParam);
            const ControlSpec& label =
                Definition(static_cast<ControlId>(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))));
            ::SetBkColor(dc, BackColour());
            ::SetTextColor(dc, ::GetSysColor(systemColours_ ? COLOR_WINDOWTEXT : label.textColour));
            return reinterpret_cast<LRESULT>(backBrush_.get());
        }
        case WM_SETCURSOR:
            // The hourglass shows over the whole window, whichever control is under it.
            if (const HCURSOR cursor = desktop_.OverrideCursor()) {
                ::SetCursor(cursor);
                return TRUE;
            }
            break;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            // The system's rectangle keeps the window where it was on the screen.
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(window, nullptr, suggested.left, suggested.top,
                           suggested.right - suggested.left, suggested.bottom - suggested.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            LayOut();
            return 0;
        }
        case WM_SYSCOLORCHANGE:
            OnSystemColoursChanged();
            return 0;
        case WM_SETTINGCHANGE:
            if (wParam == SPI_SETHIGHCONTRAST) {
                OnSystemColoursChanged();
            }
            break;
        case kAccessibilityMessage:
            OnSetUpAccessibility();
            return 0;
        case WM_TIMER:
            if (wParam == kProgressTimer && bytesCopied_) {
                progress_.Update(bytesCopied_());
                ShowProgress();
            }
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        default:
            break;
    }
    return ::DefDlgProcW(window, message, wParam, lParam);
}

COLORREF MainWindow::BackColour() const {
    return systemColours_ ? ::GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255);
}

void MainWindow::OnBegin() {
    // A click let through by a run's event pass must not start a second run.
    if (running_) {
        return;
    }
    running_ = true;
    platform::ScopeExit finished([this] { running_ = false; });
    // The system stays awake while the run works; the display may still turn off.
    ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    const platform::ScopeExit mayRest([] { ::SetThreadExecutionState(ES_CONTINUOUS); });
    // The run reports its own failures; this catches a fault in the reporting.
    const auto stop = [this](const platform::RuntimeError& fault) {
        desktop_.SetMousePointer(platform::kPointerDefault);
        Write(migration::WithErrorReport(statusText_, fault), {});
        Finish(migration::RunEnd::Failed, fault.number);
    };
    try {
        migration::CheckTutorialFiles({files_, desktop_, *this, this});
    } catch (const std::bad_alloc&) {
        stop(platform::OutOfMemory());
    } catch (...) {
        stop(platform::InternalError());
    }
}

// Ctrl+C copies the whole report, as a message box copies its text.
void MainWindow::OnCopy() {
    const std::wstring whole = WholeStatus();
    const std::size_t bytes = (whole.size() + 1) * sizeof(wchar_t);
    platform::UniqueGlobal copy(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    void* const text = copy ? ::GlobalLock(copy.get()) : nullptr;
    if (text == nullptr) {
        return;
    }
    std::memcpy(text, whole.c_str(), bytes);
    ::GlobalUnlock(copy.get());
    if (!::OpenClipboard(window_)) {
        return;
    }
    ::EmptyClipboard();
    if (::SetClipboardData(CF_UNICODETEXT, copy.get()) != nullptr) {
        copy.release();  // the clipboard's now
    }
    ::CloseClipboard();
}

// Shutdown, restart or log-off stop the copy as Exit does, before the system ends the program.
void MainWindow::OnEndSession() {
    desktop_.StopWork();
    ::DestroyWindow(window_);
}

void MainWindow::OnPaint() {
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(window_, &paint);
    if (picture_ != nullptr) {
        // Stretched to fill its box, proportions not kept.
        const PixelRect box =
            ToPixels(Definition(ControlId::Image1).bounds, static_cast<int>(dpi_));
        const BITMAPINFOHEADER& header = picture_->bmiHeader;
        ::SetStretchBltMode(dc, HALFTONE);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
        ::StretchDIBits(dc, box.left, box.top, box.width, box.height, 0, 0, header.biWidth,
                        header.biHeight, reinterpret_cast<const BYTE*>(picture_) + header.biSize,
                        picture_, DIB_RGB_COLORS, SRCCOPY);
    }
    ::EndPaint(window_, &paint);
}

void MainWindow::OnSystemColoursChanged() {
    // The buttons and the tooltip are common controls: they learn of it from their parent.
    for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    }
    if (statusTip_ != nullptr) {
        ::SendMessageW(statusTip_, WM_SYSCOLORCHANGE, 0, 0);
    }
    ApplyColourScheme();
    ::RedrawWindow(window_, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void MainWindow::OnDestroy() {
    // The marks go while the status line still exists.
    if (statusRegion_) {
        const MSAAPROPID properties[] = {kLiveSetting, kDescription};
        statusRegion_->ClearHwndProps(Control(ControlId::lblNotify), kClient, CHILDID_SELF,
                                      properties, 2);
        statusRegion_.Reset();
    }
    desktop_.SetMainWindow(nullptr);
    statusTip_ = nullptr;
    window_ = nullptr;
    ::PostQuitMessage(running_ ? kExitNoRunEnded : exitCode_);
}

}  // namespace ui
