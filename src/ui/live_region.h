#pragma once

#include <objbase.h>
#include <windows.h>
#include <wrl/client.h>

#include <optional>
#include <string>

struct IAccPropServices;

namespace ui {

// A single-threaded COM apartment on this thread while it lives; its end lets
// the DLLs that COM loaded go again.
class ComApartment {
  public:
    ComApartment() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialised_) {
            ::CoUninitialize();
        }
    }

  private:
    bool initialised_;
};

// A control whose every change screen readers announce once the user is idle
// (a polite live region), marked through the Dynamic Annotation service until Clear.
class LiveRegion {
  public:
    LiveRegion();
    LiveRegion(const LiveRegion&) = delete;
    LiveRegion& operator=(const LiveRegion&) = delete;
    ~LiveRegion();

    // False if the service is missing or refuses: nothing is marked or held.
    bool Mark(HWND control);
    // Takes the mark off while the control still exists.
    void Clear();
    // Gives the marked control an accessible description; empty for none.
    void Describe(const std::wstring& description);

    // Tells screen readers that the control's content has changed.
    static void RaiseChanged(HWND control);

  private:
    std::optional<ComApartment> com_;  // declared first, so that it ends last
    Microsoft::WRL::ComPtr<IAccPropServices> services_;
    HWND control_ = nullptr;
};

}  // namespace ui
