#include "platform/win32_errors.h"

#include <algorithm>
#include <array>
#include <memory>

namespace platform {
namespace {

// The system's code for an operation that stopped at a symbolic link; not all
// headers name it.
constexpr DWORD kErrorStoppedOnLink = 681;

struct ClassicError {
    DWORD win32Code;
    std::int32_t number;
    const wchar_t* description;
};

constexpr std::array kClassicErrors = {
    ClassicError{ERROR_INTERNAL_ERROR, error::kInternalError, L"Internal error"},
    // A call that failed without setting an error code.
    ClassicError{ERROR_SUCCESS, error::kInternalError, L"Internal error"},
    ClassicError{ERROR_NOT_ENOUGH_MEMORY, error::kOutOfMemory, L"Out of memory"},
    ClassicError{ERROR_OUTOFMEMORY, error::kOutOfMemory, L"Out of memory"},
    ClassicError{ERROR_INVALID_NAME, 52, L"Bad file name or number"},
    ClassicError{ERROR_BAD_PATHNAME, 52, L"Bad file name or number"},
    ClassicError{ERROR_FILENAME_EXCED_RANGE, 52, L"Bad file name or number"},
    ClassicError{ERROR_FILE_NOT_FOUND, error::kFileNotFound, L"File not found"},
    ClassicError{ERROR_READ_FAULT, 57, L"Device I/O error"},
    ClassicError{ERROR_WRITE_FAULT, 57, L"Device I/O error"},
    ClassicError{ERROR_CRC, 57, L"Device I/O error"},
    ClassicError{ERROR_GEN_FAILURE, 57, L"Device I/O error"},
    ClassicError{ERROR_DISK_FULL, error::kDiskFull, L"Disk full"},
    ClassicError{ERROR_HANDLE_DISK_FULL, error::kDiskFull, L"Disk full"},
    ClassicError{ERROR_TOO_MANY_OPEN_FILES, 67, L"Too many files"},
    ClassicError{ERROR_NOT_READY, 71, L"Disk not ready"},
    ClassicError{ERROR_ACCESS_DENIED, error::kPermissionDenied, L"Permission denied"},
    ClassicError{ERROR_SHARING_VIOLATION, error::kPermissionDenied, L"Permission denied"},
    ClassicError{ERROR_LOCK_VIOLATION, error::kPermissionDenied, L"Permission denied"},
    ClassicError{ERROR_WRITE_PROTECT, error::kPermissionDenied, L"Permission denied"},
    ClassicError{ERROR_ALREADY_EXISTS, error::kPathFileAccess, L"Path/File access error"},
    ClassicError{ERROR_FILE_EXISTS, error::kPathFileAccess, L"Path/File access error"},
    ClassicError{ERROR_PATH_NOT_FOUND, error::kPathNotFound, L"Path not found"},
    ClassicError{kErrorStoppedOnLink, error::kPermissionDenied, L"File refused as a link"},
};

struct LocalFreeDeleter {
    void operator()(wchar_t* text) const noexcept { ::LocalFree(text); }
};

}  // namespace

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, LocalFreeDeleter> owner(buffer);
    if (length == 0) {
        return L"Unexpected system error " + std::to_wstring(code);
    }
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

RuntimeError ClassicRuntimeError(std::int32_t number, DWORD code) {
    for (const ClassicError& known : kClassicErrors) {
        if (known.number == number) {
            return {known.number, known.description, code};
        }
    }
    return {number, L"Application-defined or object-defined error", code};
}

RuntimeError RuntimeErrorFromWin32(DWORD code) {
    for (const ClassicError& known : kClassicErrors) {
        if (known.win32Code == code) {
            return {known.number, known.description, code};
        }
    }
    return {static_cast<std::int32_t>(HRESULT_FROM_WIN32(code)), SystemMessage(code), code};
}

Result<void> WithOperation(Result<void> result, const std::wstring& operation) {
    if (result.ok() || result.error().win32Code == 0) {
        return result;
    }
    RuntimeError failure = result.error();
    failure.cause = operation + L": " + SystemMessage(failure.win32Code) + L" (" +
                    std::to_wstring(failure.win32Code) + L")";
    return failure;
}

RuntimeError RefusedLink() { return RuntimeErrorFromWin32(kErrorStoppedOnLink); }

std::vector<RuntimeError> ClassicRuntimeErrors() {
    std::vector<RuntimeError> errors;
    for (const ClassicError& known : kClassicErrors) {
        const RuntimeError error{known.number, known.description};
        if (std::find(errors.begin(), errors.end(), error) == errors.end()) {
            errors.push_back(error);
        }
    }
    return errors;
}

}  // namespace platform
