#pragma once

#include <functional>

#include "platform/file_system.h"

namespace platform {

// Runs a long blocking operation to its end. The window's version keeps the
// window painted meanwhile; the default runs it inline.
using BlockingRunner = std::function<void(const std::function<void()>& operation)>;

class Win32FileSystem final : public FileSystem {
public:
    explicit Win32FileSystem(BlockingRunner runner = {});

    Result<std::int64_t> QueryLength(const std::wstring& path) override;
    Result<std::wstring> FindFirstEntry(const std::wstring& pattern,
                                        std::uint32_t attributeMask) override;
    Result<void> MakeFolder(const std::wstring& path) override;
    Result<void> CopyReplacing(const std::wstring& source,
                               const std::wstring& destination) override;
    Result<void> RemoveFile(const std::wstring& path) override;
    Result<void> DiscardLeftovers(const std::wstring& path) override;

private:
    BlockingRunner runner_;
};

// The name under which a copy is written before it replaces the destination.
// No run looks for a tutorial under it.
std::wstring TemporaryCopyName(const std::wstring& destination);

}  // namespace platform
