#include "migration/file_exist.h"

#include <string_view>

namespace migration {
namespace {

constexpr std::wstring_view kDriveRootEnding = L":\\";
constexpr std::wstring_view kListEverything = L"*.*";
constexpr std::wstring_view kErrorTitle = L"FileExist Error";

ProbeResult Report(const platform::RuntimeError& failure, platform::Desktop& desktop) {
    if (failure.number == platform::error::kFileNotFound) {
        return ProbeResult::False;
    }
    desktop.ShowMessageBox(std::to_wstring(failure.number) + L": " + failure.description,
                           platform::kMessageBoxOkOnly, std::wstring(kErrorTitle));
    return ProbeResult::Empty;
}

}  // namespace

ProbeResult FileExist(const std::wstring& path, platform::FileSystem& files,
                      platform::Desktop& desktop) {
    const auto length = files.QueryLength(path);
    if (!length.ok()) {
        return Report(length.error(), desktop);
    }
    if (length.value() >= 0) {
        return ProbeResult::True;
    }
    if (!std::wstring_view(path).ends_with(kDriveRootEnding)) {
        return ProbeResult::False;
    }
    const auto entry =
        files.FindFirstEntry(path + std::wstring(kListEverything), platform::kListFolders);
    if (!entry.ok()) {
        return Report(entry.error(), desktop);
    }
    return entry.value().empty() ? ProbeResult::False : ProbeResult::True;
}

}  // namespace migration
