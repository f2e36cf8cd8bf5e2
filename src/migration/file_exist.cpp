#include "migration/file_exist.h"

namespace migration {
namespace {

ProbeResult Report(const platform::RuntimeError& failure, platform::Desktop& desktop) {
    if (failure.number == platform::error::kFileNotFound) {
        return ProbeResult::False;
    }
    desktop.ShowMessageBox(std::to_wstring(failure.number) + L": " + failure.description,
                           platform::kMessageBoxOkOnly, L"FileExist Error");
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
    // A drive root counts where it lists anything, folders included.
    if (!path.ends_with(L":\\")) {
        return ProbeResult::False;
    }
    const auto entry = files.FindFirstEntry(path + L"*.*", platform::kListFolders);
    if (!entry.ok()) {
        return Report(entry.error(), desktop);
    }
    return entry.value().empty() ? ProbeResult::False : ProbeResult::True;
}

}  // namespace migration
