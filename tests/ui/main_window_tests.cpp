// frmUpdate created in this process, so that fonts, brushes and colours can be read.

#include "ui/main_window.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32_desktop.h"

namespace {

using ui::ControlId;
using ui::ControlKind;
using ui::ControlSpec;

// A file system in which nothing exists and every folder can be made, so that
// a run started by a key touches nothing real.
class EmptyFileSystem final : public platform::FileSystem {
  public:
    platform::Result<std::int64_t> QueryLength(const std::wstring& path) override {
        probed.push_back(path);
        return platform::RuntimeError{platform::error::kFileNotFound, L"File not found"};
    }
    platform::Result<std::wstring> FindFirstEntry(const std::wstring&, std::uint32_t) override {
        return std::wstring();
    }
    platform::Result<void> MakeFolder(const std::wstring&) override { return {}; }
    platform::Result<void> CopyReplacing(const std::wstring&, const std::wstring&) override {
        return {};
    }
    platform::Result<void> RemoveFile(const std::wstring&) override { return {}; }

    std::vector<std::wstring> probed;
};

// The pixel column of the layout at 96 DPI, written out rather than derived.
struct At96Dpi {
    ControlId id;
    RECT pixels;  // left, top, width, height
};
constexpr At96Dpi kPixelsAt96Dpi[] = {
    {ControlId::cmdExit, {286, 237, 128, 23}},  {ControlId::cmdBegin, {114, 161, 81, 33}},
    {ControlId::Label2, {9, 93, 267, 63}},      {ControlId::Label1, {23, 9, 240, 74}},
    {ControlId::lblNotify, {19, 198, 394, 35}},
};

// A label's font after the load steps: the status line's size is 14 pt then.
int LoadedHundredthsOfPoint(const ControlSpec& spec) {
    return spec.id == ControlId::lblNotify ? ui::kNotifyLoadedHundredthsOfPoint
                                           : spec.font.hundredthsOfPoint;
}

class MainWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

    void SetUp() override {
        ASSERT_TRUE(ui::MainWindow::RegisterWindowClass(::GetModuleHandleW(nullptr)));
        ASSERT_TRUE(window_.Create(::GetModuleHandleW(nullptr)));
        window_.Show(SW_SHOWNORMAL);
        desktop_.ProcessPendingEvents();
    }

    void TearDown() override {
        ::DestroyWindow(window_.Handle());
        // The window's end posts the quit message; it must not end the next test's passes.
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    HWND Control(ControlId id) const { return window_.Control(id); }

    RECT PlaceOf(ControlId id) const {
        RECT rect;
        ::GetWindowRect(Control(id), &rect);
        ::MapWindowPoints(nullptr, window_.Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }

    SIZE ClientSize() const {
        RECT client;
        ::GetClientRect(window_.Handle(), &client);
        return {client.right, client.bottom};
    }

    LOGFONTW FontOf(ControlId id) const {
        LOGFONTW font{};
        const auto handle = reinterpret_cast<HFONT>(::SendMessageW(Control(id), WM_GETFONT, 0, 0));
        EXPECT_NE(handle, nullptr);
        ::GetObjectW(handle, sizeof(font), &font);
        return font;
    }

    std::wstring TextOf(HWND window) const {
        std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
        return text;
    }

    DWORD StyleOf(HWND window) const {
        return static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    }

    // Key down and up on the focused control, through the window's event pass.
    void PressKey(WPARAM key) {
        const HWND focus = ::GetFocus();
        ::PostMessageW(focus, WM_KEYDOWN, key, 1);
        if (key == VK_SPACE) {
            ::PostMessageW(focus, WM_CHAR, L' ', 1);
        }
        ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
        EXPECT_TRUE(desktop_.ProcessPendingEvents());
    }

    platform::Win32Desktop desktop_;
    EmptyFileSystem files_;
    ui::MainWindow window_{desktop_, files_};
};

TEST_F(MainWindowTest, FrameIsAFixedDialogWithTheTitleAndClientSize) {
    const HWND window = window_.Handle();
    EXPECT_EQ(TextOf(window), L"Update ZorvelPro");
    const DWORD style = StyleOf(window);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(ClientSize().cx, 439);
    EXPECT_EQ(ClientSize().cy, 262);
    EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(MainWindowTest, ControlsHaveTheirClassStyleTextAndPlaceAt96Dpi) {
    for (const At96Dpi& expected : kPixelsAt96Dpi) {
        const ControlSpec& spec = ui::Definition(expected.id);
        SCOPED_TRACE(std::string(spec.name.begin(), spec.name.end()));
        const HWND control = Control(expected.id);
        ASSERT_NE(control, nullptr);
        const bool isButton = spec.kind == ControlKind::PushButton;

        wchar_t className[32] = {};
        ::GetClassNameW(control, className, 32);
        EXPECT_EQ(_wcsicmp(className, isButton ? L"Button" : L"Static"), 0) << className;

        const RECT place = PlaceOf(expected.id);
        EXPECT_EQ(place.left, expected.pixels.left);
        EXPECT_EQ(place.top, expected.pixels.top);
        EXPECT_EQ(place.right, expected.pixels.right);
        EXPECT_EQ(place.bottom, expected.pixels.bottom);

        const DWORD style = StyleOf(control);
        EXPECT_TRUE(style & WS_VISIBLE);
        EXPECT_EQ((style & WS_TABSTOP) != 0, isButton);
        EXPECT_EQ((style & WS_BORDER) != 0, expected.id == ControlId::lblNotify);
        if (isButton) {
            // Neither the default button (Enter) nor anything but a plain push button.
            EXPECT_EQ(style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
        } else {
            EXPECT_EQ(style & SS_TYPEMASK, static_cast<DWORD>(SS_CENTER));
        }

        const std::wstring text = TextOf(control);
        EXPECT_EQ(text.find(L'&'), std::wstring::npos) << "no access keys";
        if (expected.id == ControlId::lblNotify) {
            EXPECT_EQ(text, ui::kStandingBy);
        } else {
            EXPECT_EQ(text, spec.text);
        }
    }
}

TEST_F(MainWindowTest, LabelFontsAreTheLaidOutFacesAndSizesAfterLoading) {
    struct Expected {
        ControlId id;
        const wchar_t* face;
        LONG height;
        BYTE italic;
    };
    for (const Expected& expected :
         {Expected{ControlId::Label1, L"Arial", -19, FALSE},
          Expected{ControlId::Label2, L"Arial", -16, TRUE},
          Expected{ControlId::lblNotify, L"MS Sans Serif", -19, FALSE}}) {
        SCOPED_TRACE(static_cast<int>(expected.id));
        const LOGFONTW font = FontOf(expected.id);
        EXPECT_STREQ(font.lfFaceName, expected.face);
        EXPECT_EQ(font.lfHeight, expected.height);
        EXPECT_EQ(font.lfItalic, expected.italic);
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
        EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
        EXPECT_FALSE(font.lfUnderline || font.lfStrikeOut);
    }
}

TEST_F(MainWindowTest, LoadStepsMakeTheLabelsWhiteAndTheStatusTextTheWindowText) {
    EXPECT_EQ(window_.Read(), ui::kStandingBy);
    const HDC dc = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    for (const ControlId id : {ControlId::Label1, ControlId::Label2, ControlId::lblNotify}) {
        SCOPED_TRACE(static_cast<int>(id));
        ::SetBkColor(dc, RGB(1, 2, 3));
        ::SetTextColor(dc, RGB(1, 2, 3));
        const auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageW(window_.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(Control(id))));
        EXPECT_EQ(::GetBkColor(dc), RGB(255, 255, 255));
        LOGBRUSH fill{};
        ASSERT_TRUE(::GetObjectW(brush, sizeof(fill), &fill));
        EXPECT_EQ(fill.lbColor, RGB(255, 255, 255));
        if (id == ControlId::lblNotify) {
            EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_WINDOWTEXT));
        }
    }
    ::DeleteDC(dc);

    // The window's own background, where no control lies.
    const HDC screen = ::GetDC(window_.Handle());
    ::RedrawWindow(window_.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 8);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::SendMessageW(window_.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(::GetPixel(memory, 4, 4), RGB(255, 255, 255));
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window_.Handle(), screen);
}

TEST_F(MainWindowTest, FocusStartsOnBeginAndTabMovesBetweenTheButtons) {
    const HWND begin = Control(ControlId::cmdBegin);
    const HWND exit = Control(ControlId::cmdExit);
    EXPECT_EQ(::GetFocus(), begin);
    EXPECT_EQ(::GetNextDlgTabItem(window_.Handle(), begin, FALSE), exit);
    EXPECT_EQ(::GetNextDlgTabItem(window_.Handle(), exit, FALSE), begin);
    EXPECT_EQ(::GetNextDlgTabItem(window_.Handle(), begin, TRUE), exit);

    PressKey(VK_TAB);
    EXPECT_EQ(::GetFocus(), exit);
    PressKey(VK_TAB);
    EXPECT_EQ(::GetFocus(), begin);
}

TEST_F(MainWindowTest, EscAndEnterPressNothing) {
    for (const HWND focus : {Control(ControlId::cmdBegin), Control(ControlId::cmdExit)}) {
        ::SetFocus(focus);
        for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            SCOPED_TRACE(key);
            PressKey(key);
            EXPECT_TRUE(::IsWindow(window_.Handle()));
            EXPECT_EQ(window_.Read(), ui::kStandingBy);
        }
    }
    EXPECT_TRUE(files_.probed.empty()) << "no run started";
}

TEST_F(MainWindowTest, SpaceOnTheFocusedBeginStartsARun) {
    ASSERT_EQ(::GetFocus(), Control(ControlId::cmdBegin));
    PressKey(VK_SPACE);
    EXPECT_EQ(window_.Read(), L"We're Done!");
    EXPECT_EQ(TextOf(Control(ControlId::lblNotify)), L"We're Done!");
    EXPECT_FALSE(files_.probed.empty());
    EXPECT_EQ(desktop_.OverrideCursor(), nullptr) << "the run restores the pointer";
}

TEST_F(MainWindowTest, StatusLineKeepsAnyTextExactlyWithinItsBox) {
    const std::wstring longText = L"Reading 'Orbel_Trasque_Vashen.avi' Tutorial  -2147024784: " +
                                  std::wstring(3000, L'x') + L" & more";
    for (const std::wstring& text : {std::wstring(L"We're Done!"), longText, std::wstring()}) {
        window_.Write(text);
        EXPECT_EQ(window_.Read(), text);
        EXPECT_EQ(TextOf(Control(ControlId::lblNotify)), text);
        EXPECT_TRUE(desktop_.ProcessPendingEvents());
        const RECT box = PlaceOf(ControlId::lblNotify);
        EXPECT_EQ(box.right, 394);
        EXPECT_EQ(box.bottom, 35);
    }
}

TEST_F(MainWindowTest, BusyCursorIsTheHourglassOverEveryControlUntilSwitchedOff) {
    const HCURSOR hourglass = ::LoadCursorW(nullptr, IDC_WAIT);
    window_.On();
    EXPECT_EQ(desktop_.OverrideCursor(), hourglass);
    // A control asks its parent first; the window answers for all of them.
    for (const ControlSpec& spec : ui::kControls) {
        const HWND target = Control(spec.id) ? Control(spec.id) : window_.Handle();
        ::SetCursor(nullptr);
        ::SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor(), hourglass) << std::string(spec.name.begin(), spec.name.end());
    }
    window_.Off();
    EXPECT_EQ(desktop_.OverrideCursor(), nullptr);
    ::SendMessageW(window_.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window_.Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(::GetCursor(), hourglass);
}

TEST(LayoutScaling, EdgesThatMeetInTwipsMeetInPixelsAtEveryResolution) {
    for (const int dpi : {96, 120, 144}) {
        SCOPED_TRACE(dpi);
        const int clientWidth = ui::TwipsToPixels(ui::kFrmUpdate.clientWidthTwips, dpi);
        const ui::PixelRect picture = ui::ToPixels(ui::Definition(ControlId::Image1).bounds, dpi);
        EXPECT_EQ(picture.left + picture.width, clientWidth);
        // Its first row lies above the client area.
        EXPECT_LT(picture.top, 0);
        // The picture reaches down to the status line's top.
        const ui::PixelRect status = ui::ToPixels(ui::Definition(ControlId::lblNotify).bounds, dpi);
        EXPECT_EQ(picture.top + picture.height, status.top);
        // No two controls overlap, and all lie within the client area's width.
        for (const ControlSpec& a : ui::kControls) {
            const ui::PixelRect pa = ui::ToPixels(a.bounds, dpi);
            EXPECT_LE(pa.left + pa.width, clientWidth);
            const RECT ra{pa.left, pa.top, pa.left + pa.width, pa.top + pa.height};
            for (const ControlSpec& b : ui::kControls) {
                const ui::PixelRect pb = ui::ToPixels(b.bounds, dpi);
                const RECT rb{pb.left, pb.top, pb.left + pb.width, pb.top + pb.height};
                RECT both;
                EXPECT_TRUE(a.id == b.id || !::IntersectRect(&both, &ra, &rb))
                    << std::string(a.name.begin(), a.name.end()) << " overlaps "
                    << std::string(b.name.begin(), b.name.end());
            }
        }
    }
    EXPECT_EQ(ui::TwipsToPixels(ui::kFrmUpdate.clientWidthTwips, 144), 659);
    EXPECT_EQ(ui::TwipsToPixels(ui::kFrmUpdate.clientHeightTwips, 120), 328);
}

TEST_F(MainWindowTest, DpiChangeReLaysEverythingWithTheTwips) {
    for (const UINT dpi : {120u, 144u, 96u}) {
        SCOPED_TRACE(dpi);
        RECT suggested{10, 20, 700, 500};
        ::SendMessageW(window_.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(window_.Dpi(), dpi);
        const int scale = static_cast<int>(dpi);
        EXPECT_EQ(ClientSize().cx, ui::TwipsToPixels(ui::kFrmUpdate.clientWidthTwips, scale));
        EXPECT_EQ(ClientSize().cy, ui::TwipsToPixels(ui::kFrmUpdate.clientHeightTwips, scale));
        RECT frame;
        ::GetWindowRect(window_.Handle(), &frame);
        EXPECT_EQ(frame.left, suggested.left);
        EXPECT_EQ(frame.top, suggested.top);

        for (const ControlSpec& spec : ui::kControls) {
            if (Control(spec.id) == nullptr) {
                continue;
            }
            SCOPED_TRACE(std::string(spec.name.begin(), spec.name.end()));
            const ui::PixelRect expected = ui::ToPixels(entry.bounds, scale);
            const RECT place = PlaceOf(spec.id);
            EXPECT_EQ(place.left, expected.left);
            EXPECT_EQ(place.top, expected.top);
            EXPECT_EQ(place.right, expected.width);
            EXPECT_EQ(place.bottom, expected.height);
            if (spec.kind == ControlKind::Label) {
                EXPECT_EQ(FontOf(spec.id).lfHeight,
                          -::MulDiv(LoadedHundredthsOfPoint(spec), scale, 7200));
            }
        }
    }
    // Back at 96 DPI, as laid out.
    EXPECT_EQ(FontOf(ControlId::Label1).lfHeight, -19);
    EXPECT_EQ(window_.Read(), ui::kStandingBy);
}

}  // namespace
