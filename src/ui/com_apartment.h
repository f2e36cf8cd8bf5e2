#pragma once

#include <objbase.h>

namespace ui {

// A single-threaded COM apartment on the calling thread for the life of the
// object; its end lets the DLLs that COM loaded meanwhile go again.
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

}  // namespace ui
