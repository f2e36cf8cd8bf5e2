// Holds a file open for a while, as another program would, with a chosen
// sharing: "all" shares reading, writing and deletion, "read-write" all but
// deletion, "none" nothing.
//   hold_file PATH all|read-write|none MILLISECONDS

#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        return 2;
    }
    const std::wstring sharing = argv[2];
    const DWORD share = sharing == L"none" ? 0
                        : sharing == L"read-write"
                            ? FILE_SHARE_READ | FILE_SHARE_WRITE
                            : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE file = ::CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    ::Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
    ::CloseHandle(file);
    return 0;
}
