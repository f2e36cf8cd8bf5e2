#pragma once

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "migration/window_services.h"
#include "platform/file_system.h"
#include "platform/unique_win32.h"
#include "platform/win32_desktop.h"
#include "ui/layout.h"
#include "ui/live_region.h"

namespace ui {

// The labels are white, like the picture, unless high contrast is on or the
// system's text colours would not read on white.
bool NeedsSystemColours(bool highContrast, COLORREF windowText, COLORREF buttonText);

// frmUpdate, the tool's only window: the run's status line, busy cursor and progress.
class MainWindow final : public migration::StatusLine,
                         public migration::BusyCursor,
                         public migration::WorkProgress {
  public:
    // bytesCopied, where given, is what the file system has copied so far: the
    // taskbar button's progress.
    MainWindow(platform::Win32Desktop& desktop, platform::FileSystem& files,
               std::function<std::uint64_t()> bytesCopied = {});
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    static bool RegisterWindowClass(HINSTANCE instance);
    // The window and its controls, loaded but not shown; false if it cannot be made.
    bool Create(HINSTANCE instance);
    void Show(int showCommand);

    HWND Handle() const noexcept { return window_; }
    HWND Control(ControlId id) const noexcept;
    UINT Dpi() const noexcept { return dpi_; }

    void Write(const std::wstring& text) override;
    std::wstring Read() const override;
    void Explain(const std::wstring& cause) override;
    void On() override;
    void Off() override;
    void Start(std::uint64_t totalBytes) override;
    void Finish() override;

  private:
    struct ControlState {
        HWND window = nullptr;
        platform::UniqueFont font;
        int hundredthsOfPoint = 0;  // of the font, made for fontDpi
        UINT fontDpi = 0;
        std::uint32_t foreColour = 0;
    };

    static constexpr UINT kAccessibilityMessage = WM_APP + 1;
    static constexpr UINT_PTR kProgressTimer = 1;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void LayOut();
    void ApplyFont(ControlId id);
    int FittingStatusSize() const;
    void ApplyColourScheme();
    void UpdateStatusTip(bool add = false);
    std::wstring WholeStatus() const;
    void SetIcons();
    ControlState& State(ControlId id) { return controls_[IndexOf(id)]; }

    void OnSetUpAccessibility();
    void OnBegin();
    void OnPaint();
    LRESULT OnControlColour(HDC dc, HWND control);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnSystemColoursChanged();
    void OnDestroy();

    platform::Win32Desktop& desktop_;
    platform::FileSystem& files_;
    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::array<ControlState, kControls.size()> controls_;
    std::uint32_t backColour_ = kWhite;  // of the window and its labels
    platform::UniqueBrush backBrush_;
    std::wstring statusText_;
    std::wstring statusCause_;
    const BITMAPINFO* picture_ = nullptr;  // in the module's resources
    LiveRegion statusRegion_;
    HWND statusTip_ = nullptr;  // owned by the window, which destroys it
    platform::UniqueIcon bigIcon_;
    platform::UniqueIcon smallIcon_;
    bool running_ = false;
    std::function<std::uint64_t()> bytesCopied_;
    std::uint64_t progressStart_ = 0;
    std::uint64_t progressTotal_ = 0;
    std::optional<ComApartment> taskbarCom_;  // declared first, so that it ends last
    Microsoft::WRL::ComPtr<ITaskbarList3> taskbar_;
};

}  // namespace ui
