#include "platform/win32_errors.h"

#include <restartmanager.h>

#include <algorithm>
#include <memory>

#include "platform/system_api.h"
#include "platform/unique_win32.h"

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

std::vector<std::wstring> ProgramsHolding(const std::wstring& path) {
    // Loaded for this alone, from the system folder, rather than imported by every start.
    const std::wstring library = SystemFile(L"rstrtmgr.dll");
    const UniqueModule manager(library.empty() ? nullptr
                                               : ::LoadLibraryExW(library.c_str(), nullptr,
                                                                  LOAD_WITH_ALTERED_SEARCH_PATH));
    const HMODULE module = manager.get();
    const auto start = FindFunction<decltype(&::RmStartSession)>(module, "RmStartSession");
    const auto add = FindFunction<decltype(&::RmRegisterResources)>(module, "RmRegisterResources");
    const auto list = FindFunction<decltype(&::RmGetList)>(module, "RmGetList");
    const auto end = FindFunction<decltype(&::RmEndSession)>(module, "RmEndSession");
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (!start || !add || !list || !end || start(&session, 0, key) != ERROR_SUCCESS) {
        return {};
    }
    const ScopeExit endSession([&] { end(session); });
    LPCWSTR files[] = {path.c_str()};
    // Asked once for the count, then for the list.
    UINT needed = 0, count = 0;
    DWORD reasons = 0;
    if (add(session, 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS ||
        list(session, &needed, &count, nullptr, &reasons) != ERROR_MORE_DATA) {
        return {};
    }
    std::vector<RM_PROCESS_INFO> found(count = needed);
    std::vector<std::wstring> names;
    if (list(session, &needed, &count, found.data(), &reasons) == ERROR_SUCCESS) {
        for (UINT i = 0; i < count; ++i) {
            if (std::ranges::find(names, found[i].strAppName) == names.end()) {
                names.emplace_back(found[i].strAppName);
            }
        }
    }
    return names;
}

}  // namespace platform
