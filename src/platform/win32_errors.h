#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "platform/runtime_error.h"

namespace platform {

// Codes that not all headers name: an operation stopped on a symbolic link, or not for a folder.
inline constexpr DWORD kErrorStoppedOnLink = 681;
inline constexpr DWORD kErrorOnFolder = 336;
// A file that changed after it was copied ("externally altered"): it is not deleted.
inline constexpr DWORD kErrorFileChanged = ERROR_FILE_INVALID;

// A number and description for the status line, and the system codes for it (0 pads a row).
struct ClassicError {
    std::int32_t number;
    const wchar_t* description;
    std::array<DWORD, 4> codes;
};

inline constexpr ClassicError kClassicErrors[] = {
    {51, L"Internal error", {ERROR_INTERNAL_ERROR}},
    {7, L"Out of memory", {ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY}},
    {52,
     L"Bad file name or number",
     {ERROR_INVALID_NAME, ERROR_BAD_PATHNAME, ERROR_FILENAME_EXCED_RANGE}},
    {error::kFileNotFound, L"File not found", {ERROR_FILE_NOT_FOUND}},
    {57, L"Device I/O error", {ERROR_READ_FAULT, ERROR_WRITE_FAULT, ERROR_CRC, ERROR_GEN_FAILURE}},
    {61, L"Disk full", {ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL}},
    {67, L"Too many files", {ERROR_TOO_MANY_OPEN_FILES}},
    {71, L"Disk not ready", {ERROR_NOT_READY}},
    {error::kPermissionDenied,
     L"Permission denied",
     {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_WRITE_PROTECT}},
    {error::kPathFileAccess,
     L"Path/File access error",
     {ERROR_ALREADY_EXISTS, ERROR_FILE_EXISTS, kErrorOnFolder}},
    {error::kPathNotFound, L"Path not found", {ERROR_PATH_NOT_FOUND}},
    {error::kPermissionDenied, L"File refused as a link", {kErrorStoppedOnLink}},
    {error::kPermissionDenied, L"File changed while moved", {kErrorFileChanged}},
};

// The status line's error for a code (else its negative HRESULT), and the cause in the system's
// words: "Deleting 'V3_Zent.avi': Access is denied. (5)".
RuntimeError RuntimeErrorFromWin32(DWORD code, const std::wstring& operation = {});

// The system's own text for a code, without the trailing line break.
std::wstring SystemMessage(DWORD code);

// The programs holding a file open, as the Restart Manager names them; none where it cannot tell.
std::vector<std::wstring> ProgramsHolding(const std::wstring& path);

}  // namespace platform
