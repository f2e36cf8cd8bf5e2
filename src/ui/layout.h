#pragma once

// The window and its controls as data: positions and sizes in twips.

#include <windows.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace ui {

struct TwipsRect {
    int left, top, width, height;
};

struct PixelRect {
    int left, top, width, height;
};

enum class ControlKind { PushButton, Label, Picture };

// Window identifiers. None is IDCANCEL, which the dialog manager makes of Esc: Esc presses nothing.
enum class ControlId : int { cmdExit = 1001, cmdBegin, Label2, Label1, lblNotify, Image1 };

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
    int textColour;  // a system colour (GetSysColor)
    bool border;
};

struct WindowSpec {
    std::wstring_view className;
    std::wstring_view title;
    int clientWidthTwips;
    int clientHeightTwips;
};

inline constexpr WindowSpec kFrmUpdate = {L"frmUpdate", L"Update ZorvelPro", 6585, 3930};

inline constexpr FontSpec kDialogFont = {L"", 0, false};

// In reading order, the child windows' order: the instruction and warning before the buttons.
// clang-format off
inline constexpr std::array<ControlSpec, 6> kControls = {{
    {ControlId::Label1, L"Label1", ControlKind::Label,
     L"To check ZorvelPro tutorial file names and paths click BEGIN", {345, 135, 3600, 1110}, 3,
     {L"Arial", 1425, false}, COLOR_BTNTEXT, false},
    {ControlId::Label2, L"Label2", ControlKind::Label,
     L"(This action will only be successful on a computer with ZorvelPro V5 currently installed)",
     {135, 1395, 4005, 945}, 4, {L"Arial", 1200, true}, COLOR_BTNTEXT, false},
    {ControlId::cmdBegin, L"cmdBegin", ControlKind::PushButton, L"Begin", {1710, 2415, 1215, 495},
     0, kDialogFont, COLOR_BTNTEXT, false},
    {ControlId::lblNotify, L"lblNotify", ControlKind::Label, L"", {285, 2970, 5910, 525}, 1,
     {L"MS Sans Serif", 1800, false}, COLOR_WINDOWTEXT, true},
    {ControlId::cmdExit, L"cmdExit", ControlKind::PushButton, L"Exit", {4290, 3555, 1920, 345}, 2,
     kDialogFont, COLOR_BTNTEXT, false},
    {ControlId::Image1, L"Image1", ControlKind::Picture, L"", {4320, -15, 2265, 2985}, -1,
     kDialogFont, COLOR_WINDOWTEXT, false},
}};
// clang-format on

// A control's place in kControls; kControls.size() if it has none.
constexpr std::size_t IndexOf(ControlId id) {
    return static_cast<std::size_t>(std::ranges::find(kControls, id, &ControlSpec::id) -
                                    kControls.begin());
}

constexpr const ControlSpec& Definition(ControlId id) {
    return kControls[IndexOf(id) < kControls.size() ? IndexOf(id) : 0];
}

// The dialog manager tabs in child-window order: the buttons must be in tab order there.
static_assert(Definition(ControlId::cmdBegin).tabIndex < Definition(ControlId::cmdExit).tabIndex &&
              IndexOf(ControlId::cmdBegin) < IndexOf(ControlId::cmdExit));

// The status line's loaded size; a text too long for it is drawn a point smaller, to 8 pt.
inline constexpr int kNotifyLoadedHundredthsOfPoint = 1400;
inline constexpr int kNotifyLegibleHundredthsOfPoint = 800;
inline constexpr int kNotifyStepHundredthsOfPoint = 100;
inline constexpr std::wstring_view kStandingBy = L"...standing by";

// 1440 twips an inch, rounded half away from zero by MulDiv.
inline int TwipsToPixels(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }

// Edges are converted, not sizes, so that controls that meet in twips meet in pixels.
inline PixelRect ToPixels(const TwipsRect& twips, int dpi) {
    const int left = TwipsToPixels(twips.left, dpi);
    const int top = TwipsToPixels(twips.top, dpi);
    return {left, top, TwipsToPixels(twips.left + twips.width, dpi) - left,
            TwipsToPixels(twips.top + twips.height, dpi) - top};
}

}  // namespace ui
