// frmUpdate created in this process, so that fonts and colours can be read.

#include "ui/main_window.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32_desktop.h"
#include "platform/win32_file_system.h"

namespace {

using ui::ControlId;

struct Expected {
    ControlId id;
    const wchar_t* className;
    RECT pixels;  // left, top, width, height at 96 DPI
};

constexpr Expected kAt96Dpi[] = {
    {ControlId::cmdExit, L"Button", {286, 237, 128, 23}},
    {ControlId::cmdBegin, L"Button", {114, 161, 81, 33}},
    {ControlId::Label2, L"Static", {9, 93, 267, 63}},
    {ControlId::Label1, L"Static", {23, 9, 240, 74}},
    {ControlId::lblNotify, L"Static", {19, 198, 394, 35}},
};

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

    RECT ClientRectOf(ControlId id) const {
        RECT rect;
        ::GetWindowRect(Control(id), &rect);
        ::MapWindowPoints(nullptr, window_.Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }

    LOGFONTW FontOf(ControlId id) const {
        LOGFONTW font{};
        const auto handle = reinterpret_cast<HFONT>(::SendMessageW(Control(id), WM_GETFONT, 0, 0));
        ::GetObjectW(handle, sizeof(font), &font);
        return font;
    }

    platform::Win32Desktop desktop_;
    platform::Win32FileSystem files_;
    ui::MainWindow window_{desktop_, files_};
};

TEST_F(MainWindowTest, FrameIsAFixedDialogWithTheTitleAndClientSize) {
    const HWND window = window_.Handle();
    wchar_t title[64] = {};
    ::GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Update ZorvelPro");
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 439);
    EXPECT_EQ(client.bottom, 262);
}

TEST_F(MainWindowTest, ControlsHaveTheirClassStyleAndPlaceAt96Dpi) {
    for (const Expected& expected : kAt96Dpi) {
        SCOPED_TRACE(std::wstring(ui::Definition(expected.id).name).c_str());
        wchar_t className[32] = {};
        ::GetClassNameW(Control(expected.id), className, 32);
        EXPECT_EQ(_wcsicmp(className, expected.className), 0) << className;
        const RECT actual = ClientRectOf(expected.id);
        EXPECT_EQ(actual.left, expected.pixels.left);
        EXPECT_EQ(actual.top, expected.pixels.top);
        EXPECT_EQ(actual.right, expected.pixels.right);
        EXPECT_EQ(actual.bottom, expected.pixels.bottom);

        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(Control(expected.id), GWL_STYLE));
        const bool isButton = expected.className[0] == L'B';
        EXPECT_EQ((style & WS_TABSTOP) != 0, isButton);
        if (isButton) {
            EXPECT_EQ(style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON)) << "not a default button";
        } else {
            EXPECT_EQ(style & SS_TYPEMASK, static_cast<DWORD>(SS_CENTER));
            EXPECT_EQ((style & WS_BORDER) != 0, expected.id == ControlId::lblNotify);
        }
        wchar_t text[256] = {};
        ::GetWindowTextW(Control(expected.id), text, 256);
        EXPECT_EQ(std::wstring(text).find(L'&'), std::wstring::npos) << "no access keys";
    }
    // The picture's box ends at the client area's right edge, at any resolution.
    for (const int dpi : {96, 120, 144}) {
        const ui::PixelRect picture = ui::ToPixels(ui::Definition(ControlId::Image1).bounds, dpi);
        EXPECT_EQ(picture.left + picture.width, ui::TwipsToPixels(ui::kFrmUpdate.clientWidthTwips, dpi));
    }
}

TEST_F(MainWindowTest, LoadStepsGiveWhiteLabelsAndTheStandingByText) {
    EXPECT_EQ(window_.Read(), L"...standing by");
    wchar_t text[64] = {};
    ::GetWindowTextW(Control(ControlId::lblNotify), text, 64);
    EXPECT_STREQ(text, L"...standing by");

    struct FontCase {
        ControlId id;
        const wchar_t* face;
        LONG height;
        BYTE italic;
    };
    for (const FontCase& expected : {FontCase{ControlId::Label1, L"Arial", -19, 0},
                                     FontCase{ControlId::Label2, L"Arial", -16, 1},
                                     FontCase{ControlId::lblNotify, L"MS Sans Serif", -19, 0}}) {
        const LOGFONTW font = FontOf(expected.id);
        EXPECT_STREQ(font.lfFaceName, expected.face);
        EXPECT_EQ(font.lfHeight, expected.height) << expected.face;
        EXPECT_EQ(font.lfItalic, expected.italic);
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
        EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
    }

    const HDC dc = ::CreateCompatibleDC(nullptr);
    for (const ControlId id : {ControlId::Label1, ControlId::Label2, ControlId::lblNotify}) {
        ::SendMessageW(window_.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(Control(id)));
        EXPECT_EQ(::GetBkColor(dc), RGB(255, 255, 255));
    }
    EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_WINDOWTEXT));
    ::DeleteDC(dc);
}

TEST_F(MainWindowTest, FocusStartsOnBeginAndTabMovesBetweenTheButtons) {
    EXPECT_EQ(::GetFocus(), Control(ControlId::cmdBegin));
    const HWND next = ::GetNextDlgTabItem(window_.Handle(), Control(ControlId::cmdBegin), FALSE);
    EXPECT_EQ(next, Control(ControlId::cmdExit));
    EXPECT_EQ(::GetNextDlgTabItem(window_.Handle(), next, FALSE), Control(ControlId::cmdBegin));
}

TEST_F(MainWindowTest, EscAndEnterPressNothing) {
    for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 0);
        ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0);
        EXPECT_TRUE(desktop_.ProcessPendingEvents());
        EXPECT_TRUE(::IsWindow(window_.Handle()));
        EXPECT_EQ(window_.Read(), L"...standing by");
    }
}

TEST_F(MainWindowTest, StatusLineKeepsAnyTextExactlyWithinItsBox) {
    const std::wstring longText(5000, L'x');
    window_.Write(longText + L" & more");
    EXPECT_EQ(window_.Read(), longText + L" & more");
    EXPECT_TRUE(desktop_.ProcessPendingEvents());
    const RECT box = ClientRectOf(ControlId::lblNotify);
    EXPECT_EQ(box.right, 394);
    EXPECT_EQ(box.bottom, 35);
}

TEST_F(MainWindowTest, BusyCursorIsTheHourglassUntilSwitchedOff) {
    window_.On();
    EXPECT_EQ(desktop_.OverrideCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
    window_.Off();
    EXPECT_EQ(desktop_.OverrideCursor(), nullptr);
}

TEST_F(MainWindowTest, DpiChangeReLaysEverythingWithTheTwips) {
    RECT suggested{0, 0, 600, 400};
    ::SendMessageW(window_.Handle(), WM_DPICHANGED, MAKEWPARAM(120, 120),
                   reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window_.Dpi(), 120u);
    RECT client;
    ::GetClientRect(window_.Handle(), &client);
    EXPECT_EQ(client.right, ui::TwipsToPixels(6585, 120));
    EXPECT_EQ(client.bottom, ui::TwipsToPixels(3930, 120));
    const RECT begin = ClientRectOf(ControlId::cmdBegin);
    EXPECT_EQ(begin.left, ui::TwipsToPixels(1710, 120));
    EXPECT_EQ(begin.top, ui::TwipsToPixels(2415, 120));
    EXPECT_EQ(FontOf(ControlId::Label1).lfHeight, -::MulDiv(1425, 120, 7200));
}

}  // namespace
