#pragma once

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "migration/tutorial_migration.h"
#include "platform/file_system.h"
#include "platform/unique_win32.h"
#include "platform/win32_desktop.h"
#include "ui/layout.h"
#include "ui/run_progress.h"

struct IAccPropServices;

namespace ui {

// Labels are white unless high contrast is on or the system's text would not read on white.
bool NeedsSystemColours(DWORD highContrastFlags, COLORREF windowText, COLORREF buttonText);

// frmUpdate, the tool's only window: the run's status line and progress.
class MainWindow final : public migration::StatusLine, public migration::WorkProgress {
  public:
    // The exit code when no run ended ("cancelled by the user", as administrators know it); an
    // ended run gives 0 for "We're Done!", else the number of the error that stopped it.
    static constexpr int kExitNoRunEnded = 1602;

    // bytesCopied, where given, counts the file system's copied bytes: the taskbar's progress.
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
    HWND Control(ControlId id) const { return ::GetDlgItem(window_, static_cast<int>(id)); }
    UINT Dpi() const noexcept { return dpi_; }

    void Write(const std::wstring& text, const std::wstring& cause) override;
    std::wstring Read() const override { return statusText_; }
    void Start(std::uint64_t totalBytes) override;
    void Finish(migration::RunEnd end, std::int32_t errorNumber) override;

  private:
    static constexpr UINT kAccessibilityMessage = WM_APP + 1;
    static constexpr UINT_PTR kProgressTimer = 1;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void LayOut();
    void ApplyFont(ControlId id);
    platform::UniqueFont FittingStatusFont() const;
    void ApplyColourScheme();
    void ShowWholeStatus(bool add = false);
    std::wstring WholeStatus() const;
    void ShowProgress();
    COLORREF BackColour() const;

    void OnSetUpAccessibility();
    void OnBegin();
    void OnCopy();
    void OnEndSession();
    void OnTaskbarButtonCreated();
    void OnPaint();
    void OnSystemColoursChanged();
    void OnDestroy();

    platform::Win32Desktop& desktop_;
    platform::FileSystem& files_;
    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::array<platform::UniqueFont, kControls.size()> fonts_;  // each control's, in kControls
    bool systemColours_ = false;  // for the window and its labels, else white
    platform::UniqueBrush backBrush_;
    std::wstring statusText_;
    std::wstring statusCause_;
    const BITMAPINFO* picture_ = nullptr;        // in the module's resources
    HWND statusTip_ = nullptr;                   // owned by the window, which destroys it
    std::array<platform::UniqueIcon, 2> icons_;  // by ICON_SMALL and ICON_BIG
    bool running_ = false;
    int exitCode_ = kExitNoRunEnded;
    std::function<std::uint64_t()> bytesCopied_;
    RunProgress progress_;
    UINT taskbarButtonCreated_ = 0;  // the shell's message, once the button can show progress
    Microsoft::WRL::ComPtr<IAccPropServices> statusRegion_;  // marks the status line polite
    Microsoft::WRL::ComPtr<ITaskbarList3> taskbar_;
};

}  // namespace ui
