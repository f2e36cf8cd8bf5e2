#pragma once

// Which files the tool may act on, decided from what the system reports: tested on any host.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;

// A name surrogate (link, junction, mount point), not a point holding the file's own data.
constexpr bool RedirectsName(std::uint32_t attributes, std::uint32_t reparseTag) {
    return (attributes & kAttributeReparsePoint) != 0 && (reparseTag & 0x20000000u) != 0;
}

// A file as the volume knows it, whatever name it was reached by.
struct FileIdentity {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
};

// Whether two opens reached the same file; an identity the system did not report matches none.
constexpr bool SameFile(const FileIdentity& first, const FileIdentity& second) {
    return first.fileIndex != 0 && first.volumeSerial == second.volumeSerial &&
           first.fileIndex == second.fileIndex;
}

// A file as it was copied: its old name may go only while all of this still holds.
struct FileStamp {
    FileIdentity identity;
    std::uint64_t length = 0;
    std::uint64_t lastWriteTime = 0;
};

constexpr bool Unchanged(const FileStamp& copied, const FileStamp& now) {
    return SameFile(copied.identity, now.identity) && copied.length == now.length &&
           copied.lastWriteTime == now.lastWriteTime;
}

// Where the system resolves an open file and its path's folder: in the volume's own form
// (VOLUME_NAME_NT), and in the drive-letter form only where that is missing; empty if none.
struct FinalPaths {
    std::wstring_view folderNt, fileNt, folderDos, fileDos;
};

// Whether the file lies under this name directly in the folder, in the volume's own form (a
// volume mounted without a letter has it) where given. The catalogue's names fold as ASCII.
inline bool LiesDirectlyIn(const FinalPaths& paths, std::wstring_view name) {
    const bool inVolumeForm = !paths.folderNt.empty() && !paths.fileNt.empty();
    std::wstring expected(inVolumeForm ? paths.folderNt : paths.folderDos);
    const std::wstring_view file = inVolumeForm ? paths.fileNt : paths.fileDos;
    if (!expected.empty() && expected.back() != L'\\') {
        expected += L'\\';
    }
    expected += name;
    const auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; };
    return expected.size() > name.size() && std::ranges::equal(expected, file, {}, fold, fold);
}

}  // namespace platform
