#pragma once

// Which files the tool may act on, decided from what the system reports: tested on any host.

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;

// A reparse point whose tag is a name surrogate (symbolic link, junction, mount point);
// other reparse points (compressed, deduplicated, cloud) hold the file's own data.
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

}  // namespace platform
