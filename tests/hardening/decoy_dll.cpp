// A stand-in for a DLL planted beside the executable. Loading it leaves a
// marker file next to it, so that the test can tell that the loader took it
// from the executable's folder. It loads normally: a DLL that refuses to load
// sends the loader on to the next one of that name, and a caller on into
// retries, which helps no check.

#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    std::wstring marker(MAX_PATH, L'\0');
    marker.resize(::GetModuleFileNameW(instance, marker.data(), MAX_PATH));
    marker += L".loaded";
    const HANDLE file = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    return TRUE;
}
