#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime_error.h"

namespace platform {

// Attribute mask bit for a directory listing that includes folders.
inline constexpr std::uint32_t kListFolders = 16;

// Copies and removals act only on plain files with one name that lie where their paths say.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Length of a file, or 0 or more for a folder named without a trailing backslash; 53 if none.
    virtual Result<std::int64_t> QueryLength(const std::wstring& path) = 0;

    // The first entry matching a wildcard pattern, or empty; folders count with kListFolders.
    virtual Result<std::wstring> FindFirstEntry(const std::wstring& pattern,
                                                std::uint32_t attributeMask) = 0;

    // Fails with 75 when the folder exists and 76 when its parent is missing.
    virtual Result<void> MakeFolder(const std::wstring& path) = 0;

    // The destination holds what it held or a complete copy (after a crash at the swap, neither,
    // while the source is whole); a link there is replaced.
    virtual Result<void> CopyReplacing(const std::wstring& source,
                                       const std::wstring& destination) = 0;

    // Its name goes before its content, so that no name ever holds part of it.
    virtual Result<void> RemoveFile(const std::wstring& path) = 0;

    // Removes what an interrupted copy or removal left beside this path.
    virtual Result<void> DiscardLeftovers(const std::wstring& path) = 0;
};

}  // namespace platform
