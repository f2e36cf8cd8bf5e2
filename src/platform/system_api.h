#pragma once

// Functions newer than Windows 7 SP1, looked up at run time (cmake/check-imports.sh).

#include <windows.h>

#include <string>

namespace platform {

// A function of a system DLL that every process of the tool has loaded already.
template <class Pointer>
struct SystemFunction {
    const wchar_t* module;
    const char* name;
};

// Windows 8, and Windows 7 with update KB2533623.
inline constexpr SystemFunction<BOOL(WINAPI*)(DWORD)> kSetDefaultDllDirectories{
    L"kernel32.dll", "SetDefaultDllDirectories"};
// Windows 8.
inline constexpr SystemFunction<BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T)>
    kSetProcessMitigationPolicy{L"kernel32.dll", "SetProcessMitigationPolicy"};
// Windows 10 version 1607.
inline constexpr SystemFunction<UINT(WINAPI*)(HWND)> kGetDpiForWindow{L"user32.dll",
                                                                      "GetDpiForWindow"};
inline constexpr SystemFunction<UINT(WINAPI*)()> kGetDpiForSystem{L"user32.dll", "GetDpiForSystem"};
inline constexpr SystemFunction<BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT)>
    kSystemParametersInfoForDpi{L"user32.dll", "SystemParametersInfoForDpi"};
inline constexpr SystemFunction<int(WINAPI*)(int, UINT)> kGetSystemMetricsForDpi{
    L"user32.dll", "GetSystemMetricsForDpi"};

// A function of a loaded module, or null where the module or the function is missing.
template <class Pointer>
Pointer FindFunction(HMODULE module, const char* name) noexcept {
    // Through void (*)(), which converts to any function pointer without a warning.
    return module != nullptr ? reinterpret_cast<Pointer>(
                                   reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                             : nullptr;
}

// The function, or null where the system lacks it. Loads no DLL.
template <class Pointer>
Pointer FindSystemFunction(const SystemFunction<Pointer>& function) noexcept {
    return FindFunction<Pointer>(::GetModuleHandleW(function.module), function.name);
}

// The full path of a file in the system folder, or empty; what is loaded by it comes from there.
inline std::wstring SystemFile(const wchar_t* name) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetSystemDirectoryW(path.data(), MAX_PATH));
    return !path.empty() && path.size() < MAX_PATH ? path + L"\\" + name : std::wstring();
}

}  // namespace platform
