#pragma once

// Owners for Win32 and GDI handles: move-only, closed exactly once.

#include <windows.h>

#include <cstdint>
#include <utility>

namespace platform {

// InvalidValue is a number, as INVALID_HANDLE_VALUE is no constant expression.
template <class T, auto Close, std::intptr_t InvalidValue = 0>
class UniqueAny {
  public:
    UniqueAny() noexcept = default;
    explicit UniqueAny(T value) noexcept : value_(value) {}
    UniqueAny(UniqueAny&& other) noexcept : value_(std::exchange(other.value_, Invalid())) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        reset(std::exchange(other.value_, Invalid()));
        return *this;
    }
    ~UniqueAny() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Invalid(); }

    // Gives up ownership, as where the system takes the handle over.
    T release() noexcept { return std::exchange(value_, Invalid()); }

    void reset(T value = Invalid()) noexcept {
        if (const T old = std::exchange(value_, value); old != Invalid()) {
            Close(old);
        }
    }

  private:
    static T Invalid() noexcept { return reinterpret_cast<T>(InvalidValue); }

    T value_ = Invalid();
};

inline void ReleaseScreenDc(HDC dc) { ::ReleaseDC(nullptr, dc); }

using UniqueHandle = UniqueAny<HANDLE, ::CloseHandle>;
using UniqueFile = UniqueAny<HANDLE, ::CloseHandle, -1>;
using UniqueFind = UniqueAny<HANDLE, ::FindClose, -1>;
using UniqueFont = UniqueAny<HFONT, ::DeleteObject>;
using UniqueBrush = UniqueAny<HBRUSH, ::DeleteObject>;
using UniqueIcon = UniqueAny<HICON, ::DestroyIcon>;
using UniqueDc = UniqueAny<HDC, ::DeleteDC>;
using UniqueScreenDc = UniqueAny<HDC, ReleaseScreenDc>;
using UniqueModule = UniqueAny<HMODULE, ::FreeLibrary>;
using UniqueGlobal = UniqueAny<HGLOBAL, ::GlobalFree>;

// Undoes an action at the end of a scope unless dismissed.
template <class Action>
class ScopeExit {
  public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() {
        if (armed_) {
            action_();
        }
    }
    void Dismiss() noexcept { armed_ = false; }

  private:
    Action action_;
    bool armed_ = true;
};

}  // namespace platform
