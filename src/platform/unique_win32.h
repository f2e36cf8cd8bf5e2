#pragma once

// Owners for Win32 and GDI handles, in the manner of unique_any: move-only,
// closed exactly once, whatever the path out of the scope.

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

struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(pointer value) noexcept { ::CloseHandle(value); }
};

struct FindHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(pointer value) noexcept { ::FindClose(value); }
};

// The screen's device context, from GetDC(nullptr).
struct ScreenDcTraits {
    using pointer = HDC;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::ReleaseDC(nullptr, value); }
};

template <class T>
struct GdiObjectTraits {
    using pointer = T;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::DeleteObject(value); }
};

using UniqueHandle = UniqueAny<HandleTraits<HANDLE, ::CloseHandle>>;
using UniqueFile = UniqueAny<FileHandleTraits>;
using UniqueFind = UniqueAny<FindHandleTraits>;
using UniqueFont = UniqueAny<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueAny<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueAny<GdiObjectTraits<HBITMAP>>;
using UniqueIcon = UniqueAny<HandleTraits<HICON, ::DestroyIcon>>;
using UniqueScreenDc = UniqueAny<ScreenDcTraits>;
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
