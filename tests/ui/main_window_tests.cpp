// frmUpdate in this process, where its fonts, brushes and focus can be read
// (GDI handles mean nothing in another). Files go to a recording stand-in: Begin
// touches no disk. Geometry and fonts are checked at the system resolution, 96
// DPI unless ZV_EXPECTED_DPI says otherwise (high_dpi_test.sh runs them at 120).

#include "ui/main_window.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "migration/catalogue.h"
#include "platform/unique_win32.h"
#include "platform/win32_desktop.h"
#include "platform/win32_dpi.h"
#include "platform/win32_errors.h"
#include "window_driver.h"

namespace {

using platform::Result;
using platform::RuntimeError;
using platform::UniqueDc;
using ui::ControlId;

constexpr wchar_t kRootSelector[] = L"C:\\Program Files (x86)";

// Nothing exists but the one old copy named, if any, and every folder can be
// made, so a run asks about every old name and ends with "We're Done!", or with
// the copy's failure. Each run starts by asking about the root selector, which
// counts the runs.
class RecordingFiles final : public platform::FileSystem {
  public:
    Result<std::int64_t> QueryLength(const std::wstring& path) override {
        probes.push_back(path);
        if (!oldCopy.empty() && path.ends_with(oldCopy)) {
            return std::int64_t{0};
        }
        return RuntimeError{platform::error::kFileNotFound, L"File not found"};
    }
    Result<std::wstring> FindFirstEntry(const std::wstring&, std::uint32_t) override {
        return std::wstring();
    }
    Result<void> MakeFolder(const std::wstring&) override {
        stateDuringRun = ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
        return {};
    }
    Result<void> CopyReplacing(const std::wstring&, const std::wstring&) override {
        return copyFailure ? Result<void>(*copyFailure) : Result<void>();
    }
    Result<void> RemoveFile(const std::wstring&) override { return {}; }
    Result<void> DiscardLeftovers(const std::wstring&) override { return {}; }

    long Runs() const { return std::count(probes.begin(), probes.end(), kRootSelector); }

    std::vector<std::wstring> probes;
    std::wstring oldCopy;
    std::optional<RuntimeError> copyFailure;
    EXECUTION_STATE stateDuringRun = 0;
};

// Stands in for the system's accessibility annotations, which Wine lacks: registered in this
// process, it comes before the system's. Records the status line's live setting and description.
class Annotations final : public IAccPropServices, public IClassFactory {
  public:
    static constexpr CLSID kClass = {
        0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
    static constexpr MSAAPROPID kLiveSetting = {
        0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};

    HRESULT WINAPI QueryInterface(REFIID iid, void** object) override {
        *object = iid == __uuidof(IClassFactory) ? static_cast<IClassFactory*>(this)
                                                 : static_cast<void*>(this);
        return S_OK;
    }
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI CreateInstance(IUnknown*, REFIID, void** object) override {
        *object = static_cast<IAccPropServices*>(this);
        return S_OK;
    }
    HRESULT WINAPI LockServer(BOOL) override { return S_OK; }

    HRESULT WINAPI SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID property, VARIANT value) override {
        live = property == kLiveSetting ? value.lVal : live;
        return S_OK;
    }
    HRESULT WINAPI SetHwndPropStr(HWND, DWORD, DWORD, MSAAPROPID, LPCWSTR text) override {
        description = text;
        return S_OK;
    }
    HRESULT WINAPI ClearHwndProps(HWND, DWORD, DWORD, const MSAAPROPID*, int) override {
        description.clear();
        return S_OK;
    }
    // What the window never asks.
#define ZV_UNUSED(name, ...) \
    HRESULT WINAPI name(__VA_ARGS__) override { return E_NOTIMPL; }
    ZV_UNUSED(SetPropValue, const BYTE*, DWORD, MSAAPROPID, VARIANT)
    ZV_UNUSED(SetPropServer, const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
    ZV_UNUSED(ClearProps, const BYTE*, DWORD, const MSAAPROPID*, int)
    ZV_UNUSED(SetHwndPropServer, HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
              AnnoScope)
    ZV_UNUSED(ComposeHwndIdentityString, HWND, DWORD, DWORD, BYTE**, DWORD*)
    ZV_UNUSED(DecomposeHwndIdentityString, const BYTE*, DWORD, HWND*, DWORD*, DWORD*)
    ZV_UNUSED(SetHmenuProp, HMENU, DWORD, MSAAPROPID, VARIANT)
    ZV_UNUSED(SetHmenuPropStr, HMENU, DWORD, MSAAPROPID, LPCWSTR)
    ZV_UNUSED(SetHmenuPropServer, HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
    ZV_UNUSED(ClearHmenuProps, HMENU, DWORD, const MSAAPROPID*, int)
    ZV_UNUSED(ComposeHmenuIdentityString, HMENU, DWORD, BYTE**, DWORD*)
    ZV_UNUSED(DecomposeHmenuIdentityString, const BYTE*, DWORD, HMENU*, DWORD*)
#undef ZV_UNUSED

    LONG live = 0;
    std::wstring description;
} g_annotations;

struct Box {
    int left, top, width, height;
    friend bool operator==(const Box&, const Box&) = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "(" << box.left << ", " << box.top << ", " << box.width << ", " << box.height
               << ")";
}

// The laid-out pixels, worked out by hand from the twips: every edge rounded
// half away from zero, sizes the differences of the edges. The 96-DPI row is
// the pixel column of the layout.
struct AtDpi {
    int dpi;
    SIZE client;
    Box boxes[6];  // in the order of ui::kControls
    // Font heights in pixels: Label1 14.25 pt, Label2 12 pt, lblNotify 14 pt once loaded.
    LONG label1Height, label2Height, notifyHeight;
    Box BoxOf(ControlId id) const { return boxes[ui::IndexOf(id)]; }
};

// clang-format off
constexpr AtDpi kLayouts[] = {
    {96, {439, 262}, {{23, 9, 240, 74}, {9, 93, 267, 63}, {114, 161, 81, 33}, {19, 198, 394, 35},
                      {286, 237, 128, 23}, {288, -1, 151, 199}}, -19, -16, -19},
    {120, {549, 328}, {{29, 11, 300, 93}, {11, 116, 334, 79}, {143, 201, 101, 42},
                       {24, 248, 492, 43}, {358, 296, 160, 29}, {360, -1, 189, 249}}, -24, -20, -23},
    {144, {659, 393}, {{35, 14, 360, 111}, {14, 140, 400, 94}, {171, 242, 122, 49},
                       {29, 297, 591, 53}, {429, 356, 192, 34}, {432, -2, 227, 299}}, -29, -24, -28},
};
// clang-format on

const AtDpi& LayoutAt(int dpi) {
    for (const AtDpi& layout : kLayouts) {
        if (layout.dpi == dpi) {
            return layout;
        }
    }
    ADD_FAILURE() << "no expected layout at " << dpi << " DPI";
    return kLayouts[0];
}

std::string NameOf(ControlId id) {
    const std::wstring_view name = ui::Definition(id).name;
    return std::string(name.begin(), name.end());
}

// In reading order.
constexpr ControlId kChildControls[] = {ControlId::Label1, ControlId::Label2, ControlId::cmdBegin,
                                        ControlId::lblNotify, ControlId::cmdExit};

class MainWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // As the tool's manifest declares, so that the window sees the real resolution.
        driver::BecomeDpiAware();
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        DWORD registration = 0;
        ::CoRegisterClassObject(Annotations::kClass, static_cast<IClassFactory*>(&g_annotations),
                                CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration);
    }

    void SetUp() override {
        ASSERT_TRUE(ui::MainWindow::RegisterWindowClass(::GetModuleHandleW(nullptr)));
        ASSERT_TRUE(window_.Create(::GetModuleHandleW(nullptr)));
        window_.Show(SW_SHOWNORMAL);
        desktop_.ProcessPendingEvents();
    }

    void TearDown() override {
        if (::IsWindow(window_.Handle())) {
            ::DestroyWindow(window_.Handle());
        }
        // The window's end posts the quit message; it must not reach the next test.
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    HWND Main() const { return window_.Handle(); }
    HWND Control(ControlId id) const { return window_.Control(id); }

    Box BoxInClient(ControlId id) const {
        RECT rect;
        ::GetWindowRect(Control(id), &rect);
        ::MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&rect), 2);
        return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }

    SIZE ClientSize() const {
        RECT client;
        ::GetClientRect(Main(), &client);
        return {client.right, client.bottom};
    }

    LOGFONTW FontOf(ControlId id) const {
        LOGFONTW font{};
        const auto handle = reinterpret_cast<HFONT>(::SendMessageW(Control(id), WM_GETFONT, 0, 0));
        EXPECT_NE(handle, nullptr);
        ::GetObjectW(handle, sizeof(font), &font);
        return font;
    }

    static std::wstring TextOf(HWND window) { return driver::ReadText(window).value_or(L"?"); }

    // The text of the status line's tooltip.
    std::wstring StatusTip() const {
        for (HWND tip = nullptr;
             (tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr;) {
            if (::GetWindow(tip, GW_OWNER) != Main()) {
                continue;
            }
            std::wstring text(1024, L'\0');
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.hwnd = Main();
            tool.uId = reinterpret_cast<UINT_PTR>(Control(ControlId::lblNotify));
            tool.lpszText = text.data();
            ::SendMessageW(tip, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
            return text.c_str();
        }
        return L"<no tooltip>";
    }

    // The push buttons that Enter would press, by their dialog codes.
    std::vector<HWND> DefaultButtons() const {
        std::vector<HWND> buttons;
        for (const ControlId id : {ControlId::cmdBegin, ControlId::cmdExit}) {
            if (::SendMessageW(Control(id), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
                buttons.push_back(Control(id));
            }
        }
        return buttons;
    }

    // A key pressed on the focused control, through the tool's own event pass.
    void PressKey(WPARAM key) {
        const HWND focus = ::GetFocus();
        ::PostMessageW(focus, WM_KEYDOWN, key, 1);
        ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
        desktop_.ProcessPendingEvents();
    }

    void ExpectLaidOutAt(const AtDpi& expected) {
        for (const ControlId id : kChildControls) {
            EXPECT_EQ(BoxInClient(id), expected.BoxOf(id)) << NameOf(id);
        }
        const ui::PixelRect image =
            ui::ToPixels(ui::Definition(ControlId::Image1).bounds, static_cast<int>(window_.Dpi()));
        const Box expectedImage = expected.BoxOf(ControlId::Image1);
        EXPECT_EQ((Box{image.left, image.top, image.width, image.height}), expectedImage);
        // The picture ends at the client area's right edge, and meets the status line.
        EXPECT_EQ(expectedImage.left + expectedImage.width, expected.client.cx);
        EXPECT_EQ(expectedImage.top + expectedImage.height,
                  expected.BoxOf(ControlId::lblNotify).top);
        EXPECT_EQ(FontOf(ControlId::Label1).lfHeight, expected.label1Height);
        EXPECT_EQ(FontOf(ControlId::Label2).lfHeight, expected.label2Height);
        EXPECT_EQ(FontOf(ControlId::lblNotify).lfHeight, expected.notifyHeight);
    }

    platform::Win32Desktop desktop_;
    RecordingFiles files_;
    ui::MainWindow window_{desktop_, files_};
};

// Each window as the table says: class, text, style and font. The frame is a
// fixed dialog, with the close box only.
TEST_F(MainWindowTest, EachWindowHasItsClassTextStyleAndFont) {
    constexpr auto kFrame = static_cast<ControlId>(0);
    constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP;
    constexpr DWORD kLabel = WS_VISIBLE | SS_NOPREFIX;
    constexpr DWORD kNotLabel = WS_DISABLED | WS_TABSTOP | WS_BORDER;
    struct Expected {
        ControlId id;
        const wchar_t* className;
        const wchar_t* text;  // no access keys: no "&", which labels would show as it is
        DWORD typeMask, type;
        DWORD set, clear;     // other style bits
        const wchar_t* face;  // empty: the dialog font, whichever it is
        BYTE italic;
    };
    const Expected windows[] = {
        {kFrame, L"frmUpdate", L"Update ZorvelPro", 0, 0, WS_CAPTION | WS_SYSMENU,
         WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, nullptr, FALSE},
        // Begin, which has the focus, is the default button; neither is a cancel button.
        {ControlId::cmdExit, L"Button", L"Exit", BS_TYPEMASK, BS_PUSHBUTTON, kButton, WS_DISABLED,
         L"", FALSE},
        {ControlId::cmdBegin, L"Button", L"Begin", BS_TYPEMASK, BS_DEFPUSHBUTTON, kButton,
         WS_DISABLED, L"", FALSE},
        {ControlId::Label2, L"Static",
         L"(This action will only be successful on a computer with ZorvelPro V5 currently "
         L"installed)",
         SS_TYPEMASK, SS_CENTER, kLabel, kNotLabel, L"Arial", TRUE},
        {ControlId::Label1, L"Static",
         L"To check ZorvelPro tutorial file names and paths click BEGIN", SS_TYPEMASK, SS_CENTER,
         kLabel, kNotLabel, L"Arial", FALSE},
        // The status line's flat single-line border.
        {ControlId::lblNotify, L"Static", L"...standing by", SS_TYPEMASK, SS_CENTER,
         kLabel | WS_BORDER, WS_DISABLED | WS_TABSTOP, L"MS Sans Serif", FALSE},
    };
    for (const Expected& expected : windows) {
        SCOPED_TRACE(expected.id == kFrame ? "frame" : NameOf(expected.id));
        const HWND window = expected.id == kFrame ? Main() : Control(expected.id);
        ASSERT_NE(window, nullptr);
        wchar_t className[32] = {};
        ::GetClassNameW(window, className, 32);
        EXPECT_EQ(_wcsicmp(className, expected.className), 0) << className;
        EXPECT_EQ(TextOf(window), expected.text);
        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
        EXPECT_EQ(style & expected.typeMask, expected.type);
        EXPECT_EQ(style & (expected.set | expected.clear), expected.set);
        if (expected.id == kFrame) {
            continue;
        }
        EXPECT_EQ(::GetDlgCtrlID(window), static_cast<int>(expected.id));
        // No sunken 3-D edges anywhere.
        EXPECT_EQ(::GetWindowLongPtrW(window, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE),
                  0);
        const LOGFONTW font = FontOf(expected.id);
        if (*expected.face != L'\0') {
            EXPECT_STREQ(font.lfFaceName, expected.face);
            EXPECT_EQ(font.lfItalic, expected.italic);
            EXPECT_EQ(font.lfWeight, FW_NORMAL);
            EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
            EXPECT_FALSE(font.lfUnderline || font.lfStrikeOut);
        }
    }
    const HMENU menu = ::GetSystemMenu(Main(), FALSE);
    for (const UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
        EXPECT_EQ(::GetMenuState(menu, command, MF_BYCOMMAND), static_cast<UINT>(-1)) << command;
    }
    EXPECT_NE(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(::SendMessageW(Main(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageW(Main(), WM_GETICON, ICON_SMALL, 0), 0);
    // The picture is drawn by the window itself, like a windowless image control.
    EXPECT_EQ(::GetDlgItem(Main(), static_cast<int>(ControlId::Image1)), nullptr);
    // A screen reader, which follows the child windows, meets the instruction
    // and the warning first.
    HWND child = ::GetWindow(Main(), GW_CHILD);
    for (const ControlId id : kChildControls) {
        EXPECT_EQ(child, Control(id)) << NameOf(id);
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
}

// Laid out from the twips at the system resolution, and again at each new one
// in the rectangle that the system suggests.
TEST_F(MainWindowTest, LaidOutFromTheTwipsAtEachResolution) {
    const char* configured = std::getenv("ZV_EXPECTED_DPI");
    const int dpi = configured != nullptr ? std::atoi(configured) : 96;
    ASSERT_EQ(static_cast<int>(platform::SystemDpi()), dpi);
    EXPECT_EQ(static_cast<int>(window_.Dpi()), dpi);
    EXPECT_EQ(ClientSize().cx, LayoutAt(dpi).client.cx);
    EXPECT_EQ(ClientSize().cy, LayoutAt(dpi).client.cy);
    ExpectLaidOutAt(LayoutAt(dpi));
    for (const int next : {120, 144, 96}) {
        SCOPED_TRACE(next);
        // The system's frame at another resolution need not be the one drawn now.
        const SIZE client = LayoutAt(next).client;
        RECT suggested{40, 30, 40 + client.cx + 10, 30 + client.cy + 40};
        ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(next, next),
                       reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(static_cast<int>(window_.Dpi()), next);
        RECT frame;
        ::GetWindowRect(Main(), &frame);
        EXPECT_TRUE(::EqualRect(&frame, &suggested));
        // Everything scaled, and the status line keeps its loaded 14-pt size.
        ExpectLaidOutAt(LayoutAt(next));
        EXPECT_EQ(window_.Read(), L"...standing by");
    }
}

// Where Windows 10's resolution functions are missing, as on Windows 7, each
// fallback gives what the function gives: at the system resolution, and for
// the message font also at twice it.
TEST_F(MainWindowTest, DpiFallbacksAgreeWithTheNewerFunctions) {
    constexpr bool kWindows7 = true;
    for (const auto* name : {"GetDpiForWindow", "GetDpiForSystem", "SystemParametersInfoForDpi",
                             "GetSystemMetricsForDpi"}) {
        ASSERT_NE(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name), nullptr) << name;
    }
    const UINT dpi = platform::SystemDpi();
    EXPECT_EQ(platform::SystemDpi(kWindows7), dpi);
    EXPECT_EQ(platform::WindowDpi(Main(), kWindows7), platform::WindowDpi(Main()));

    for (const int metric : {SM_CXICON, SM_CYICON, SM_CXSMICON, SM_CYSMICON}) {
        EXPECT_EQ(platform::SystemMetricAtDpi(metric, dpi, kWindows7),
                  platform::SystemMetricAtDpi(metric, dpi))
            << "metric " << metric;
    }
    for (const UINT asked : {dpi, dpi * 2}) {
        LOGFONTW wanted{};
        LOGFONTW got{};
        const platform::UniqueFont newer = platform::MakeFont(L"", 0, false, asked);
        const platform::UniqueFont fallback = platform::MakeFont(L"", 0, false, asked, kWindows7);
        ASSERT_TRUE(::GetObjectW(newer.get(), sizeof(wanted), &wanted));
        ASSERT_TRUE(::GetObjectW(fallback.get(), sizeof(got), &got));
        EXPECT_EQ(got.lfHeight, wanted.lfHeight) << "at " << asked << " DPI";
        EXPECT_STREQ(got.lfFaceName, wanted.lfFaceName);
    }
}

TEST_F(MainWindowTest, WindowAndLabelsAreWhiteAfterLoading) {
    const SIZE client = ClientSize();
    const UniqueDc dc(::CreateCompatibleDC(nullptr));
    const platform::UniqueAny<HBITMAP, ::DeleteObject> bitmap(
        ::CreateBitmap(client.cx, client.cy, 1, 32, nullptr));
    const HGDIOBJ previous = ::SelectObject(dc.get(), bitmap.get());
    EXPECT_NE(::SendMessageW(Main(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0), 0);
    for (const POINT at :
         {POINT{0, 0}, POINT{client.cx / 2, client.cy / 2}, POINT{client.cx - 1, client.cy - 1}}) {
        EXPECT_EQ(::GetPixel(dc.get(), at.x, at.y), RGB(255, 255, 255)) << at.x << "," << at.y;
    }
    ::SelectObject(dc.get(), previous);

    struct Expected {
        ControlId id;
        int textColour;
    };
    for (const Expected& expected :
         {Expected{ControlId::Label1, COLOR_BTNTEXT}, Expected{ControlId::Label2, COLOR_BTNTEXT},
          Expected{ControlId::lblNotify, COLOR_WINDOWTEXT}}) {
        SCOPED_TRACE(NameOf(expected.id));
        ::SetBkColor(dc.get(), RGB(1, 2, 3));
        ::SetTextColor(dc.get(), RGB(1, 2, 3));
        const auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageW(Main(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                           reinterpret_cast<LPARAM>(Control(expected.id))));
        EXPECT_EQ(::GetBkColor(dc.get()), RGB(255, 255, 255));
        EXPECT_EQ(::GetTextColor(dc.get()), ::GetSysColor(expected.textColour));
        LOGBRUSH fill{};
        ASSERT_EQ(::GetObjectW(brush, sizeof(fill), &fill), static_cast<int>(sizeof(fill)));
        EXPECT_EQ(fill.lbStyle, static_cast<UINT>(BS_SOLID));
        EXPECT_EQ(fill.lbColor, RGB(255, 255, 255));
    }
}

// Focus starts on Begin, the default button; Tab moves between the buttons,
// Enter and Space press the focused one, Esc nothing.
TEST_F(MainWindowTest, TheKeyboardReachesAndPressesEachButton) {
    EXPECT_EQ(::GetFocus(), Control(ControlId::cmdBegin));
    EXPECT_EQ(DefaultButtons(), std::vector{Control(ControlId::cmdBegin)});
    for (const ControlId next : {ControlId::cmdExit, ControlId::cmdBegin}) {
        PressKey(VK_TAB);
        EXPECT_EQ(::GetFocus(), Control(next)) << NameOf(next);
        EXPECT_EQ(DefaultButtons(), std::vector{Control(next)}) << NameOf(next);
    }
    PressKey(VK_ESCAPE);
    EXPECT_EQ(files_.Runs(), 0);
    PressKey(VK_RETURN);
    EXPECT_EQ(files_.Runs(), 1);
    EXPECT_EQ(window_.Read(), L"We're Done!");
    PressKey(VK_SPACE);
    EXPECT_EQ(files_.Runs(), 2);

    PressKey(VK_TAB);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(::IsWindow(Main()));
    PressKey(VK_RETURN);
    EXPECT_FALSE(::IsWindow(Main())) << "Enter on Exit";
    EXPECT_EQ(files_.Runs(), 2);
}

TEST_F(MainWindowTest, EachClickOnBeginIsOneRunAndTheLastTextStays) {
    // Pending when the first run starts, so taken and ignored by its first
    // event pass.
    ::PostMessageW(Control(ControlId::cmdBegin), BM_CLICK, 0, 0);
    for (long run = 1; run <= 2; ++run) {
        ::SendMessageW(Control(ControlId::cmdBegin), BM_CLICK, 0, 0);
        EXPECT_EQ(files_.Runs(), run);
        // The system stays awake for the run, and only for it.
        EXPECT_EQ(files_.stateDuringRun, ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
        EXPECT_EQ(::SetThreadExecutionState(ES_CONTINUOUS), ES_CONTINUOUS);
        EXPECT_EQ(window_.Read(), L"We're Done!");
        EXPECT_EQ(TextOf(Control(ControlId::lblNotify)), L"We're Done!");
        EXPECT_EQ(desktop_.OverrideCursor(), nullptr);
        EXPECT_TRUE(desktop_.ProcessPendingEvents());
    }
    // Every old name of the catalogue was asked about in each run, for the
    // taskbar's total and for the move.
    EXPECT_EQ(files_.probes.size(), 2u * (1 + 2 * 15 * 3));
}

TEST_F(MainWindowTest, CloseDuringARunStopsItBeforeTheNextFile) {
    // After a run that ended well, whose exit code the abandoned run replaces.
    ::SendMessageW(Control(ControlId::cmdBegin), BM_CLICK, 0, 0);
    files_.probes.clear();
    ::PostMessageW(Main(), WM_CLOSE, 0, 0);
    ::SendMessageW(Control(ControlId::cmdBegin), BM_CLICK, 0, 0);
    EXPECT_EQ(window_.Handle(), nullptr);
    // The close came in at the first event pass, after the taskbar's total and
    // before any old copy was asked about for a move.
    EXPECT_EQ(files_.probes.size(), 1u + 15 * 3);
    EXPECT_EQ(files_.probes.front(), kRootSelector);
    EXPECT_EQ(desktop_.OverrideCursor(), nullptr);
    EXPECT_FALSE(desktop_.ProcessPendingEvents());
    EXPECT_EQ(desktop_.RunMessageLoop(), ui::MainWindow::kExitNoRunEnded);
}

TEST_F(MainWindowTest, StatusLineKeepsAnyTextExactlyWithinItsBox) {
    const Box before = BoxInClient(ControlId::lblNotify);
    const std::wstring texts[] = {
        L"", L"Reading 'Orbel_Trasque_Vashen.avi' Tutorial  70: Permission denied & more",
        std::wstring(5000, L'x') + L" " + std::wstring(300, L'y'),
        L"line one\r\nline two\r\nline three\r\nline four"};
    for (const std::wstring& text : texts) {
        window_.Write(text, {});
        EXPECT_EQ(window_.Read(), text);
        EXPECT_EQ(TextOf(Control(ControlId::lblNotify)), text);
        ::UpdateWindow(Main());
        EXPECT_TRUE(desktop_.ProcessPendingEvents());
        EXPECT_EQ(BoxInClient(ControlId::lblNotify), before) << "the box never grows";
    }
    // What fits at no size is drawn at the smallest legible one, 8 pt, and no smaller.
    window_.Write(texts[2], {});
    EXPECT_EQ(-FontOf(ControlId::lblNotify).lfHeight, ::MulDiv(8, window_.Dpi(), 72));
}

// Every report of an error that the tool describes itself, for the longest
// tutorial name, at each resolution: what the status line cannot show at its
// own size it shows smaller, down to a legible size, and in full. The system's
// words on the failure show below it in the tooltip, not on the line, until the next text.
TEST_F(MainWindowTest, EveryErrorReportShowsInFull) {
    const std::wstring_view longest = *std::max_element(
        migration::kTutorialCatalogue.begin(), migration::kTutorialCatalogue.end(),
        [](auto a, auto b) { return a.size() < b.size(); });
    files_.oldCopy = L"\\V3_" + std::wstring(longest);
    const HWND status = Control(ControlId::lblNotify);
    for (const int dpi : {96, 120, 144}) {
        RECT suggested{40, 30, 800, 600};
        ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        for (const platform::ClassicError& classic : platform::kClassicErrors) {
            files_.copyFailure = RuntimeError{classic.number, classic.description, 5,
                                              L"Copying 'V3_x.avi': Access is denied. (5)"};
            ::SendMessageW(Control(ControlId::cmdBegin), BM_CLICK, 0, 0);
            const std::wstring report = TextOf(status);
            SCOPED_TRACE(testing::Message()
                         << dpi << " DPI: " << std::string(report.begin(), report.end()));
            const bool failed = report == L"Reading '" + std::wstring(longest) + L"' Tutorial  " +
                                              std::to_wstring(classic.number) + L": " +
                                              classic.description;
            ASSERT_TRUE(failed || report == L"We're Done!");

            // Laid out as the label lays out its text, in the label's font.
            const auto font = reinterpret_cast<HFONT>(::SendMessageW(status, WM_GETFONT, 0, 0));
            EXPECT_GE(-FontOf(ControlId::lblNotify).lfHeight, ::MulDiv(8, dpi, 72)) << "legible";
            const UniqueDc dc(::CreateCompatibleDC(nullptr));
            ::SelectObject(dc.get(), font);
            RECT box;
            ::GetClientRect(status, &box);
            RECT needed{0, 0, box.right, 0};
            ::DrawTextW(dc.get(), report.c_str(), -1, &needed,
                        DT_CALCRECT | DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK | DT_EDITCONTROL |
                            DT_NOPREFIX);
            EXPECT_LE(needed.right, box.right);
            EXPECT_LE(needed.bottom, box.bottom);
            EXPECT_EQ(StatusTip(), failed ? report + L"\r\n" + files_.copyFailure->cause : report);
            // A screen reader announces the status line, politely, with the cause.
            EXPECT_EQ(g_annotations.live, 1);
            EXPECT_EQ(g_annotations.description,
                      failed ? report + L"\r\n" + files_.copyFailure->cause : L"");
        }
    }
    window_.Write(L"...standing by", {});
    EXPECT_EQ(StatusTip(), L"...standing by");
}

TEST_F(MainWindowTest, TheHourglassShowsOverEveryControlUntilTheDefaultPointer) {
    const HCURSOR hourglass = ::LoadCursorW(nullptr, IDC_WAIT);
    const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    // A control asks its parent first; the window answers for all of them.
    const auto cursorOver = [](HWND window) {
        ::SetCursor(nullptr);
        ::SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return ::GetCursor();
    };
    desktop_.SetMousePointer(platform::kPointerHourglass);
    EXPECT_EQ(desktop_.OverrideCursor(), hourglass);
    EXPECT_EQ(::GetCursor(), hourglass);
    for (const ControlId id : kChildControls) {
        EXPECT_EQ(cursorOver(Control(id)), hourglass) << NameOf(id);
    }
    EXPECT_EQ(cursorOver(Main()), hourglass);
    desktop_.SetMousePointer(platform::kPointerDefault);
    EXPECT_EQ(desktop_.OverrideCursor(), nullptr);
    EXPECT_EQ(::GetCursor(), arrow);
    EXPECT_EQ(cursorOver(Control(ControlId::cmdBegin)), arrow);
    EXPECT_EQ(cursorOver(Main()), arrow);
}

// The labels take the system's colours in high contrast, which Wine never
// reports, and where a text colour would read on white at less than 4.5:1.
TEST(ColourScheme, SystemColoursInHighContrastOrForFaintText) {
    constexpr COLORREF kBlack = RGB(0, 0, 0), kReads = RGB(118, 118, 118),
                       kFaint = RGB(119, 119, 119);
    EXPECT_FALSE(ui::NeedsSystemColours(0, kBlack, kReads));
    EXPECT_FALSE(ui::NeedsSystemColours(HCF_AVAILABLE | HCF_HOTKEYACTIVE, kBlack, kBlack))
        << "high contrast available, not on";
    EXPECT_TRUE(ui::NeedsSystemColours(HCF_HIGHCONTRASTON | HCF_AVAILABLE, kBlack, kBlack));
    EXPECT_TRUE(ui::NeedsSystemColours(0, kFaint, kBlack));
    EXPECT_TRUE(ui::NeedsSystemColours(0, kBlack, kFaint));
}

}  // namespace
