#include "ui/live_region.h"

#include <oleacc.h>

namespace ui {
namespace {

// Spelled out: mingw's oleacc library has wrong values for some, its headers lack the rest.
constexpr CLSID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kLiveSetting = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;
constexpr MSAAPROPID kDescription = {
    0x4d48dfe4, 0xbd3f, 0x491f, {0xa6, 0x48, 0x49, 0x2d, 0x6f, 0x20, 0xc5, 0x88}};

// Not in the headers before Windows 8; older systems ignore the event.
constexpr DWORD kEventObjectLiveRegionChanged = 0x8019;

}  // namespace

LiveRegion::LiveRegion() = default;

LiveRegion::~LiveRegion() { Clear(); }

bool LiveRegion::Mark(HWND control) {
    Clear();
    com_.emplace();
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = kPolite;
    if (FAILED(::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  kIAccPropServices,
                                  reinterpret_cast<void**>(services_.GetAddressOf()))) ||
        FAILED(services_->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                      kLiveSetting, polite))) {
        services_.Reset();
        com_.reset();
        return false;
    }
    control_ = control;
    return true;
}

void LiveRegion::Describe(const std::wstring& description) {
    if (!services_) {
        return;
    }
    if (description.empty()) {
        services_->ClearHwndProps(control_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                  &kDescription, 1);
    } else {
        services_->SetHwndPropStr(control_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                  kDescription, description.c_str());
    }
}

void LiveRegion::Clear() {
    if (services_) {
        const MSAAPROPID properties[] = {kLiveSetting, kDescription};
        services_->ClearHwndProps(control_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                  properties, 2);
        services_.Reset();
    }
    control_ = nullptr;
    com_.reset();
}

void LiveRegion::RaiseChanged(HWND control) {
    ::NotifyWinEvent(kEventObjectLiveRegionChanged, control, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace ui
