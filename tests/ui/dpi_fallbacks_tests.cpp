// The resolution queries on a system without the functions of Windows 10 1607:
// at the system resolution, each fallback gives what the newer function gives.
// The high-DPI test runs these again at 120 DPI.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32_dpi.h"
#include "window_driver.h"

namespace {

// What Windows 7 offers: none of the newer functions.
constexpr platform::DpiFunctions kWindows7{};

class DpiFallbacksTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // As the tool's manifest declares, so that the queries see the real resolution.
        driver::BecomeDpiAware();
    }

    const platform::DpiFunctions& newer_ = platform::SystemDpiFunctions();
};

TEST_F(DpiFallbacksTest, TheNewerFunctionsAreFoundWhereTheSystemHasThem) {
    EXPECT_NE(newer_.getDpiForWindow, nullptr);
    EXPECT_NE(newer_.getDpiForSystem, nullptr);
    EXPECT_NE(newer_.adjustWindowRectExForDpi, nullptr);
    EXPECT_NE(newer_.systemParametersInfoForDpi, nullptr);
    EXPECT_NE(newer_.getSystemMetricsForDpi, nullptr);
}

TEST_F(DpiFallbacksTest, AgreeWithTheNewerFunctionsAtTheSystemDpi) {
    ASSERT_NE(newer_.getDpiForSystem, nullptr);
    const UINT dpi = platform::SystemDpi(newer_);
    EXPECT_EQ(platform::SystemDpi(kWindows7), dpi);

    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(platform::WindowDpi(window, kWindows7), platform::WindowDpi(window, newer_));
    ::DestroyWindow(window);

    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT expected{0, 0, 439, 262};
    RECT fallback = expected;
    ASSERT_TRUE(platform::AdjustWindowRectAtDpi(&expected, kStyle, FALSE, WS_EX_DLGMODALFRAME, dpi,
                                                newer_));
    ASSERT_TRUE(platform::AdjustWindowRectAtDpi(&fallback, kStyle, FALSE, WS_EX_DLGMODALFRAME, dpi,
                                                kWindows7));
    EXPECT_TRUE(::EqualRect(&fallback, &expected));

    for (const int metric : {SM_CXICON, SM_CYICON, SM_CXSMICON, SM_CYSMICON}) {
        EXPECT_EQ(platform::SystemMetricAtDpi(metric, dpi, kWindows7),
                  platform::SystemMetricAtDpi(metric, dpi, newer_))
            << "metric " << metric;
    }
}

TEST_F(DpiFallbacksTest, MessageFontFollowsTheDpiAskedFor) {
    const UINT dpi = platform::SystemDpi(newer_);
    for (const UINT asked : {dpi, dpi * 2}) {
        NONCLIENTMETRICSW expected{};
        expected.cbSize = sizeof(expected);
        NONCLIENTMETRICSW fallback = expected;
        ASSERT_TRUE(platform::SystemParametersInfoAtDpi(SPI_GETNONCLIENTMETRICS, sizeof(expected),
                                                        &expected, 0, asked, newer_));
        ASSERT_TRUE(platform::SystemParametersInfoAtDpi(SPI_GETNONCLIENTMETRICS, sizeof(fallback),
                                                        &fallback, 0, asked, kWindows7));
        EXPECT_EQ(fallback.lfMessageFont.lfHeight, expected.lfMessageFont.lfHeight)
            << "at " << asked << " DPI";
        EXPECT_STREQ(fallback.lfMessageFont.lfFaceName, expected.lfMessageFont.lfFaceName);
    }
}

}  // namespace
