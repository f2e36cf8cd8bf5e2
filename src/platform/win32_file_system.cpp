#include "platform/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <new>

#include "platform/unique_win32.h"
#include "platform/win32_errors.h"

namespace platform {
namespace {

// Big enough that system calls cost nothing, small enough to stay in the
// processor's cache: 1 MiB chunks copied markedly slower under Wine.
constexpr DWORD kCopyChunkBytes = 256 << 10;

// Each step of cutting a file short is one short wait for the Wine server.
constexpr LONGLONG kReleaseStepBytes = LONGLONG{16} << 20;

constexpr std::int32_t kOutOfMemory = 7;

bool IsTransientRefusal(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
           code == ERROR_LOCK_VIOLATION;
}

// A virus scanner or indexer that opens a fresh file holds it for a moment and
// refuses others meanwhile. Such refusals are retried for about one second.
template <class Attempt>
auto RetryTransient(Attempt attempt) {
    constexpr std::array<DWORD, 7> kDelaysMs = {10, 20, 40, 80, 150, 250, 400};
    for (const DWORD delay : kDelaysMs) {
        auto outcome = attempt();
        if (outcome || !IsTransientRefusal(::GetLastError())) {
            return outcome;
        }
        ::Sleep(delay);
    }
    return attempt();
}

bool HasAttribute(DWORD attributes, DWORD flag) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & flag) != 0;
}

RuntimeError PermissionDenied() { return RuntimeErrorFromWin32(ERROR_ACCESS_DENIED); }

Result<void> WriteAll(HANDLE file, const std::byte* data, DWORD size) {
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(file, data, size, &written, nullptr)) {
            return LastRuntimeError();
        }
        data += written;
        size -= written;
    }
    return {};
}

Result<void> CopyContent(HANDLE from, HANDLE to) {
    const auto buffer = std::make_unique_for_overwrite<std::byte[]>(kCopyChunkBytes);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(from, buffer.get(), kCopyChunkBytes, &read, nullptr)) {
            return LastRuntimeError();
        }
        if (read == 0) {
            return {};
        }
        if (auto written = WriteAll(to, buffer.get(), read); !written.ok()) {
            return written;
        }
    }
}

// Writes the copy under a temporary name beside the destination, flushes it to
// disk and only then renames it over the destination, so that a failure or a
// power cut never leaves a partial file under the final name.
Result<void> CopyDurably(const std::wstring& source, const std::wstring& destination) {
    WIN32_FILE_ATTRIBUTE_DATA sourceInfo{};
    if (!::GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &sourceInfo)) {
        return LastRuntimeError();
    }
    const DWORD destinationAttributes = ::GetFileAttributesW(destination.c_str());
    // A folder cannot be copied, nor replaced by a file.
    if (HasAttribute(sourceInfo.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY) ||
        HasAttribute(destinationAttributes, FILE_ATTRIBUTE_DIRECTORY)) {
        return ClassicRuntimeError(error::kPathFileAccess);
    }
    // Windows refuses to replace a read-only file; Wine does not, so check here.
    if (HasAttribute(destinationAttributes, FILE_ATTRIBUTE_READONLY)) {
        return PermissionDenied();
    }

    const UniqueFile in(RetryTransient([&] {
        return UniqueFile(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    }));
    if (!in) {
        return LastRuntimeError();
    }

    const std::wstring temporary = TemporaryCopyName(destination);
    UniqueFile out(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!out) {
        return LastRuntimeError();
    }
    ScopeExit discardTemporary([&] {
        out.reset();
        ::DeleteFileW(temporary.c_str());
    });

    if (auto copied = CopyContent(in.get(), out.get()); !copied.ok()) {
        return copied;
    }
    ::SetFileTime(out.get(), nullptr, nullptr, &sourceInfo.ftLastWriteTime);
    // One flush per file: flushing as the copy went made it a third slower,
    // since each flush also waits for the file system's journal.
    if (!::FlushFileBuffers(out.get())) {
        return LastRuntimeError();
    }
    out.reset();

    if (!RetryTransient([&] {
            return ::MoveFileExW(temporary.c_str(), destination.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        })) {
        return LastRuntimeError();
    }
    discardTemporary.Dismiss();

    // Like CopyFile, the copy keeps the source's attributes.
    constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (const DWORD kept = sourceInfo.dwFileAttributes & kKeptAttributes; kept != 0) {
        ::SetFileAttributesW(destination.c_str(), kept);
    }
    return {};
}

// True when the file's bytes are reachable under this one name only.
bool HasSingleName(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Wine's server unlinks a file when its last handle closes, and freeing the
// blocks of a large video in one go holds up every window of the session for
// half a second or more. Marking the file for deletion first and then cutting it
// short in steps frees the blocks a little at a time. Opening it exclusively
// means that nobody else can read it while it shrinks.
bool DeleteCuttingShort(const std::wstring& path) {
    const UniqueFile file(::CreateFileW(path.c_str(), DELETE | GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                        0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    if (!file) {
        return false;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                      sizeof disposition)) {
        return false;
    }
    // Another hard link or a link's target would lose its content, not a name.
    LARGE_INTEGER length{};
    if (!HasSingleName(file.get()) || !::GetFileSizeEx(file.get(), &length)) {
        return true;
    }
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile = length;
    while (end.EndOfFile.QuadPart > 0) {
        end.EndOfFile.QuadPart -= std::min(end.EndOfFile.QuadPart, kReleaseStepBytes);
        if (!::SetFileInformationByHandle(file.get(), FileEndOfFileInfo, &end, sizeof end)) {
            break;
        }
    }
    return true;
}

Result<void> DeleteOldFile(const std::wstring& path) {
    if (HasAttribute(::GetFileAttributesW(path.c_str()), FILE_ATTRIBUTE_READONLY)) {
        return PermissionDenied();
    }
    if (DeleteCuttingShort(path)) {
        return {};
    }
    // Held open by someone who shares deletion, or refused for a moment: the
    // plain call reports why, and deletes once the holder lets go.
    if (!RetryTransient([&] { return ::DeleteFileW(path.c_str()); })) {
        return LastRuntimeError();
    }
    return {};
}

bool MatchesMask(DWORD attributes, std::uint32_t mask) {
    constexpr DWORD kSelectable =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return (attributes & kSelectable & ~static_cast<DWORD>(mask)) == 0;
}

}  // namespace

std::wstring TemporaryCopyName(const std::wstring& destination) {
    return destination + L".copying";
}

Win32FileSystem::Win32FileSystem(BlockingRunner runner) : runner_(std::move(runner)) {}

Result<std::int64_t> Win32FileSystem::QueryLength(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) {
        const DWORD code = ::GetLastError();
        // A missing folder along the path also means that nothing of that name exists.
        if (code == ERROR_PATH_NOT_FOUND) {
            return ClassicRuntimeError(error::kFileNotFound);
        }
        return RuntimeErrorFromWin32(code);
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return std::int64_t{0};
    }
    // 64 bits, so that a video of 2 GiB or more still counts as existing.
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                     info.nFileSizeLow);
}

Result<std::wstring> Win32FileSystem::FindFirstEntry(const std::wstring& pattern,
                                                     std::uint32_t attributeMask) {
    WIN32_FIND_DATAW entry{};
    const UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) {
            return std::wstring();
        }
        return RuntimeErrorFromWin32(code);
    }
    do {
        if (MatchesMask(entry.dwFileAttributes, attributeMask)) {
            return std::wstring(entry.cFileName);
        }
    } while (::FindNextFileW(find.get(), &entry));
    if (const DWORD code = ::GetLastError(); code != ERROR_NO_MORE_FILES) {
        return RuntimeErrorFromWin32(code);
    }
    return std::wstring();
}

Result<void> Win32FileSystem::MakeFolder(const std::wstring& path) {
    if (!::CreateDirectoryW(path.c_str(), nullptr)) {
        return LastRuntimeError();
    }
    return {};
}

Result<void> Win32FileSystem::CopyReplacing(const std::wstring& source,
                                            const std::wstring& destination) {
    Result<void> result = ClassicRuntimeError(kOutOfMemory);
    const auto copy = [&] {
        try {
            result = CopyDurably(source, destination);
        } catch (const std::bad_alloc&) {
            result = ClassicRuntimeError(kOutOfMemory);
        }
    };
    runner_ ? runner_(copy) : copy();
    return result;
}

Result<void> Win32FileSystem::RemoveFile(const std::wstring& path) {
    Result<void> result = ClassicRuntimeError(kOutOfMemory);
    const auto remove = [&] { result = DeleteOldFile(path); };
    runner_ ? runner_(remove) : remove();
    return result;
}

}  // namespace platform
