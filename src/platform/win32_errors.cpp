#include "platform/win32_errors.h"

#include <algorithm>
#include <memory>

namespace platform {

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, decltype(&::LocalFree)> owner(buffer, &::LocalFree);
    if (length == 0) {
        return L"Unexpected system error " + std::to_wstring(code);
    }
    std::wstring text(buffer, length);
    text.erase(text.find_last_not_of(L"\r\n ") + 1);
    return text;
}

RuntimeError RuntimeErrorFromWin32(DWORD code, const std::wstring& operation) {
    RuntimeError error{static_cast<std::int32_t>(HRESULT_FROM_WIN32(code)), {}, code};
    const DWORD looked = code != ERROR_SUCCESS ? code : ERROR_INTERNAL_ERROR;
    const auto classic = std::ranges::find_if(kClassicErrors, [looked](const ClassicError& row) {
        return std::ranges::find(row.codes, looked) != row.codes.end();
    });
    if (classic != std::end(kClassicErrors)) {
        error.number = classic->number;
        error.description = classic->description;
    } else {
        error.description = SystemMessage(code);
    }
    if (!operation.empty()) {
        error.cause =
            operation + L": " + SystemMessage(code) + L" (" + std::to_wstring(code) + L")";
    }
    return error;
}

}  // namespace platform
