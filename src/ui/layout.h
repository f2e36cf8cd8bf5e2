#pragma once

// The window and its controls as data: positions and sizes in twips, colours
// as OLE colours, where 0x80000000 plus an index names a system colour.

#include <array>
#include <cstdint>
#include <string_view>

namespace ui {

inline constexpr int kTwipsPerInch = 1440;

inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kSystemWindow = 0x80000005;
inline constexpr std::uint32_t kSystemWindowText = 0x80000008;
inline constexpr std::uint32_t kSystemButtonFace = 0x8000000F;
inline constexpr std::uint32_t kSystemButtonText = 0x80000012;

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

enum class ControlKind { PushButton, Label, Picture };

// Each control's window identifier. None is IDCANCEL, so that Esc, which the
// dialog manager turns into it, presses nothing.
enum class ControlId : int {
    cmdExit = 1001,
    cmdBegin = 1002,
    Label2 = 1003,
    Label1 = 1004,
    lblNotify = 1005,
    Image1 = 1006,
};

struct FontSpec {
    std::wstring_view face;
    int hundredthsOfPoint;  // 0: the dialog font of the system
    bool italic;
};

struct ControlSpec {
    ControlId id;
    std::wstring_view name;
    ControlKind kind;
    std::wstring_view text;
    TwipsRect bounds;
    int tabIndex;  // -1: not in the tab order
    FontSpec font;
    std::uint32_t backColour;
    std::uint32_t foreColour;
    bool border;
};

struct WindowSpec {
    std::wstring_view className;
    std::wstring_view title;
    int clientWidthTwips;
    int clientHeightTwips;
    std::uint32_t backColour;
};

inline constexpr WindowSpec kFrmUpdate = {
    L"frmUpdate", L"Update ZorvelPro", 6585, 3930, kSystemButtonFace,
};

inline constexpr FontSpec kDialogFont = {L"", 0, false};

// Listed as the window is laid out, a control a row; created in reading order (kReadingOrder).
// clang-format off
inline constexpr std::array<ControlSpec, 6> kControls = {{
    {ControlId::cmdExit, L"cmdExit", ControlKind::PushButton, L"Exit", {4290, 3555, 1920, 345}, 2,
     kDialogFont, kSystemButtonFace, kSystemButtonText, false},
    {ControlId::cmdBegin, L"cmdBegin", ControlKind::PushButton, L"Begin", {1710, 2415, 1215, 495},
     0, kDialogFont, kSystemButtonFace, kSystemButtonText, false},
    {ControlId::Label2, L"Label2", ControlKind::Label,
     L"(This action will only be successful on a computer with ZorvelPro V5 currently installed)",
     {135, 1395, 4005, 945}, 4, {L"Arial", 1200, true}, kSystemButtonFace, kSystemButtonText,
     false},
    {ControlId::Label1, L"Label1", ControlKind::Label,
     L"To check ZorvelPro tutorial file names and paths click BEGIN", {345, 135, 3600, 1110}, 3,
     {L"Arial", 1425, false}, kSystemButtonFace, kSystemButtonText, false},
    {ControlId::lblNotify, L"lblNotify", ControlKind::Label, L"", {285, 2970, 5910, 525}, 1,
     {L"MS Sans Serif", 1800, false}, kSystemWindow, kSystemWindowText, true},
    {ControlId::Image1, L"Image1", ControlKind::Picture, L"", {4320, -15, 2265, 2985}, -1,
     kDialogFont, kWhite, kWhite, false},
}};
// clang-format on

// The order of the child windows, which is the order in which a screen reader
// meets them: the instruction and the warning before the buttons.
inline constexpr std::array<ControlId, 5> kReadingOrder = {
    ControlId::Label1,    ControlId::Label2,  ControlId::cmdBegin,
    ControlId::lblNotify, ControlId::cmdExit,
};

// A control's place in kControls; kControls.size() if it has none.
constexpr std::size_t IndexOf(ControlId id) {
    std::size_t index = 0;
    while (index < kControls.size() && kControls[index].id != id) {
        ++index;
    }
    return index;
}

constexpr const ControlSpec& Definition(ControlId id) {
    return kControls[IndexOf(id) < kControls.size() ? IndexOf(id) : 0];
}

// The dialog manager moves the focus in the order of the child windows, among
// tab stops only: the push buttons must come in tab order there too.
constexpr bool PushButtonsInTabOrder(const std::array<ControlId, 5>& order) {
    int previous = -1;
    for (const ControlId id : order) {
        const ControlSpec& entry = Definition(id);
        if (entry.kind == ControlKind::PushButton) {
            if (entry.tabIndex < previous) {
                return false;
            }
            previous = entry.tabIndex;
        }
    }
    return true;
}
static_assert(PushButtonsInTabOrder(kReadingOrder));

// What the load steps change.
inline constexpr int kNotifyLoadedHundredthsOfPoint = 1400;
// A status text too long for its box at the loaded size is drawn smaller, a
// point at a time, but never below this size.
inline constexpr int kNotifyLegibleHundredthsOfPoint = 800;
inline constexpr int kNotifyStepHundredthsOfPoint = 100;
inline constexpr std::wstring_view kStandingBy = L"...standing by";

// Twips to pixels at a resolution. Edges are converted rather than sizes, so
// that controls that meet in twips also meet in pixels.
constexpr int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    // Round half away from zero, as MulDiv does.
    return static_cast<int>(scaled >= 0 ? (scaled + kTwipsPerInch / 2) / kTwipsPerInch
                                        : -((-scaled + kTwipsPerInch / 2) / kTwipsPerInch));
}

struct PixelRect {
    int left;
    int top;
    int width;
    int height;
};

constexpr PixelRect ToPixels(const TwipsRect& twips, int dpi) {
    const int left = TwipsToPixels(twips.left, dpi);
    const int top = TwipsToPixels(twips.top, dpi);
    return {left, top, TwipsToPixels(twips.left + twips.width, dpi) - left,
            TwipsToPixels(twips.top + twips.height, dpi) - top};
}

}  // namespace ui
