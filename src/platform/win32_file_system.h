#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/cancel_signal.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"

namespace platform {

struct FileSystemOptions {
    // Runs a long operation to its end; the window's keeps the window answering.
    std::function<void(const std::function<void()>& operation)> runner;
    // Once raised, a copy stops at its next chunk and every wait ends.
    const CancelSignal* ending = nullptr;
    // How long a copy or a deletion waits, in all, for other programs to let go of its files.
    DWORD holdWaitMs = 10000;
    // Asked before a copy's "create" of its temporary, each "read", the last "flush" and the
    // "rename", and before a file moves "aside"; a code other than ERROR_SUCCESS fails the step.
    std::function<DWORD(std::wstring_view step)> checkStep;
};

class Win32FileSystem final : public FileSystem {
  public:
    explicit Win32FileSystem(FileSystemOptions options = {});

    Result<std::int64_t> QueryLength(const std::wstring& path) override;
    Result<std::wstring> FindFirstEntry(const std::wstring& pattern,
                                        std::uint32_t attributeMask) override;
    Result<void> MakeFolder(const std::wstring& path) override;
    Result<void> CopyReplacing(const std::wstring& source,
                               const std::wstring& destination) override;
    Result<void> RemoveFile(const std::wstring& path) override;
    Result<void> DiscardLeftovers(const std::wstring& path) override;

    // Every byte that copies have written so far; read from any thread.
    std::uint64_t BytesCopied() const noexcept { return bytesCopied_.load(); }

  private:
    struct Copied {
        std::wstring source;
        FileStamp stamp;
    };

    FileSystemOptions options_;
    CancelSignal unending_;  // watched where the options give no signal
    std::atomic<std::uint64_t> bytesCopied_{0};
    std::uint64_t flushStep_ = 0;       // learnt by the copies' flushes, for the next copy
    std::optional<Copied> lastCopied_;  // the source that RemoveFile may delete next
};

}  // namespace platform
