// Loads DLLs by bare name with the default search order, as a program does
// that never calls SetDefaultDllDirectories: the executable's own folder is
// searched first. Run beside planted DLLs, it shows that they can be loaded.
//   careless_loader NAME.dll...    prints the path each name was loaded from

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/unique_win32.h"

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        const platform::UniqueModule module(::LoadLibraryW(argv[i]));
        std::wstring path(MAX_PATH, L'\0');
        path.resize(module ? ::GetModuleFileNameW(module.get(), path.data(), MAX_PATH) : 0);
        std::wprintf(L"%ls: %ls\n", argv[i], module ? path.c_str() : L"not loaded");
    }
    return 0;
}
