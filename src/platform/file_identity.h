#pragma once

// What makes a file one the tool may act on, decided from values that the
// system reports about it. Portable, so that the decisions are tested on any host.

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;

// Whether a file redirects its name elsewhere: a reparse point whose tag is a
// name surrogate (symbolic link, junction, mount point). Every other reparse
// point (compressed, deduplicated, cloud) holds the file's own data.
constexpr bool RedirectsName(std::uint32_t attributes, std::uint32_t reparseTag) {
    return (attributes & kAttributeReparsePoint) != 0 && (reparseTag & 0x20000000u) != 0;
}

// A file as the volume knows it, whatever name it was reached by.
struct FileIdentity {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
};

// True when two opens reached the same file; an identity the system did not
// report is never the same as another.
constexpr bool SameFile(const FileIdentity& first, const FileIdentity& second) {
    return first.fileIndex != 0 && first.volumeSerial == second.volumeSerial &&
           first.fileIndex == second.fileIndex;
}

}  // namespace platform
