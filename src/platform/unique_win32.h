#pragma once

// Owners for Win32 and GDI handles: move-only, closed exactly once.

#include <windows.h>

#include <utility>

namespace platform {

template <class Traits>
class UniqueAny {
  public:
    using pointer = typename Traits::pointer;

    UniqueAny() noexcept = default;
    explicit UniqueAny(pointer value) noexcept : value_(value) {}
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    ~UniqueAny() { reset(); }

    pointer get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

    pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    void reset(pointer value = Traits::Invalid()) noexcept {
        const pointer old = std::exchange(value_, value);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

  private:
    pointer value_ = Traits::Invalid();
};

template <class T, auto CloseFunction, T InvalidValue = T{}>
struct HandleTraits {
    using pointer = T;
    static pointer Invalid() noexcept { return InvalidValue; }
    static void Close(pointer value) noexcept { CloseFunction(value); }
};

// INVALID_HANDLE_VALUE is no constant expression, so it cannot be a template argument.
template <auto CloseFunction>
struct InvalidHandleTraits : HandleTraits<HANDLE, CloseFunction> {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
};

inline void ReleaseScreenDc(HDC dc) { ::ReleaseDC(nullptr, dc); }

using UniqueHandle = UniqueAny<HandleTraits<HANDLE, ::CloseHandle>>;
using UniqueFile = UniqueAny<InvalidHandleTraits<::CloseHandle>>;
using UniqueFind = UniqueAny<InvalidHandleTraits<::FindClose>>;
using UniqueFont = UniqueAny<HandleTraits<HFONT, ::DeleteObject>>;
using UniqueBrush = UniqueAny<HandleTraits<HBRUSH, ::DeleteObject>>;
using UniqueBitmap = UniqueAny<HandleTraits<HBITMAP, ::DeleteObject>>;
using UniqueIcon = UniqueAny<HandleTraits<HICON, ::DestroyIcon>>;
using UniqueDc = UniqueAny<HandleTraits<HDC, ::DeleteDC>>;
using UniqueScreenDc = UniqueAny<HandleTraits<HDC, ReleaseScreenDc>>;
using UniqueModule = UniqueAny<HandleTraits<HMODULE, ::FreeLibrary>>;

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
