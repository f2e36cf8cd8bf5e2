#include "platform/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "platform/unique_win32.h"
#include "platform/win32_errors.h"

namespace platform {
namespace {

// Big enough that system calls cost nothing, small enough to stay in the
// processor's cache: 1 MiB chunks copied markedly slower under Wine.
constexpr DWORD kCopyChunkBytes = 256 << 10;

// Each step of cutting a file short is one short wait for the Wine server.
constexpr LONGLONG kReleaseStepBytes = LONGLONG{16} << 20;

// Where a file on its way out waits, once its name has gone, for its content
// to be freed. No run looks for a tutorial under it.
constexpr std::wstring_view kRemovalSuffix = L".deleting";

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What it takes to rename a file, cut it short and delete it.
constexpr DWORD kRemovalAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

bool IsTransientRefusal(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
           code == ERROR_LOCK_VIOLATION;
}

bool IsAlreadyThere(DWORD code) {
    return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
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

// A folder can be neither copied nor replaced by a file.
RuntimeError FolderInTheWay() {
    return ClassicRuntimeError(error::kPathFileAccess, ERROR_ACCESS_DENIED);
}

// Opens the name itself: on Windows a link is opened as the link, not as what
// it points to. Wine ignores the flag, which the checks below allow for.
UniqueFile OpenName(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags = 0) {
    return UniqueFile(::CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                    flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The path that the system resolves an open file or folder to, or empty.
std::wstring FinalPath(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);  // too small: length is the size needed
    }
}

// The path that the folder part of a path resolves to, links and junctions
// followed: an administrator may have moved the folder elsewhere.
std::wstring ResolvedFolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return {};
    }
    const UniqueFile folder(::CreateFileW(path.substr(0, slash + 1).c_str(), FILE_READ_ATTRIBUTES,
                                          kShareAll, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder ? FinalPath(folder.get()) : std::wstring();
}

DWORD AttributesOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(file, &info) ? info.dwFileAttributes
                                                     : INVALID_FILE_ATTRIBUTES;
}

// True when the open file is a plain file with one name, lying directly in the
// folder that the path's folder resolves to, under the path's own name. A link,
// a second hard link or a name swapped before the open all fail this; once it
// holds, whatever is done through the handle acts on this file alone.
bool LiesPlainlyAt(HANDLE file, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info) || info.nNumberOfLinks != 1 ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        return false;
    }
    std::wstring expected = ResolvedFolderOf(path);
    const std::wstring actual = FinalPath(file);
    if (expected.empty() || actual.empty()) {
        return false;
    }
    if (expected.back() != L'\\') {
        expected += L'\\';
    }
    expected += path.substr(path.find_last_of(L'\\') + 1);
    return ::CompareStringOrdinal(expected.c_str(), static_cast<int>(expected.size()),
                                  actual.c_str(), static_cast<int>(actual.size()),
                                  TRUE) == CSTR_EQUAL;
}

bool SetBasicInfo(HANDLE file, FILE_BASIC_INFO info) {
    return ::SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != FALSE;
}

bool RenameThrough(HANDLE file, const std::wstring& newPath, bool replace) {
    const std::size_t nameBytes = newPath.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, newPath.c_str(), nameBytes + sizeof(wchar_t));
    return ::SetFileInformationByHandle(file, FileRenameInfo, rename,
                                        static_cast<DWORD>(buffer.size())) != FALSE;
}

// Deletes an open file through its handle; the file goes when the handle
// closes. Wine's server frees a file's blocks only then, and freeing those of a
// large video in one go holds up every window of the session for half a second
// or more, so a file held exclusively is first cut short in steps. Its name
// must already be one that no run looks for.
Result<void> DeleteThrough(HANDLE file, bool exclusive) {
    // Windows refuses to delete a read-only file, even through a handle.
    if (HasAttribute(AttributesOf(file), FILE_ATTRIBUTE_READONLY)) {
        FILE_BASIC_INFO writable{};
        writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetBasicInfo(file, writable);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition)) {
        return LastRuntimeError();
    }
    LARGE_INTEGER length{};
    if (!exclusive || !::GetFileSizeEx(file, &length)) {
        return {};
    }
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile = length;
    while (end.EndOfFile.QuadPart > 0) {
        end.EndOfFile.QuadPart -= std::min(end.EndOfFile.QuadPart, kReleaseStepBytes);
        if (!::SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end)) {
            break;
        }
    }
    return {};
}

// What an interrupted copy or removal left under one of the file system's own
// names: deleted if it is a plain file, refused if it is a link, which could
// only have been planted there.
Result<void> DiscardLeftover(const std::wstring& path) {
    const UniqueFile file(RetryTransient([&] {
        return OpenName(path, kRemovalAccess | FILE_WRITE_DATA, 0, OPEN_EXISTING);
    }));
    if (!file) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return {};
        }
        return code == ERROR_CANT_RESOLVE_FILENAME ? RefusedLink() : RuntimeErrorFromWin32(code);
    }
    if (!LiesPlainlyAt(file.get(), path)) {
        return RefusedLink();
    }
    return DeleteThrough(file.get(), true);
}

// Creates a file that did not exist, never opening an existing one. A plain
// leftover of an interrupted run is discarded first; anything else there,
// such as a dangling link, is refused.
Result<void> CreateNew(const std::wstring& path, UniqueFile& created) {
    const auto create = [&] {
        return OpenName(path, GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                        0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    };
    created = create();
    if (!created && IsAlreadyThere(::GetLastError())) {
        if (auto discarded = DiscardLeftover(path); !discarded.ok()) {
            return discarded;
        }
        created = create();
        if (!created && IsAlreadyThere(::GetLastError())) {
            return RefusedLink();
        }
    }
    if (!created) {
        return LastRuntimeError();
    }
    if (!LiesPlainlyAt(created.get(), path)) {
        static_cast<void>(DeleteThrough(created.get(), false));
        created.reset();
        return RefusedLink();
    }
    return {};
}

// Whether what stands at the destination may be replaced: not a folder, nor,
// as on Windows, a read-only file. A link there is replaced, never followed,
// so what it points to does not count.
Result<void> CheckReplaceable(const std::wstring& destination) {
    const UniqueFile existing(OpenName(destination, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS));
    if (!existing) {
        return {};  // nothing, a dangling link or a loop: the rename replaces it
    }
    const DWORD attributes = AttributesOf(existing.get());
    if (HasAttribute(attributes, FILE_ATTRIBUTE_DIRECTORY)) {
        return FolderInTheWay();
    }
    if (HasAttribute(attributes, FILE_ATTRIBUTE_READONLY) &&
        LiesPlainlyAt(existing.get(), destination)) {
        return PermissionDenied();
    }
    return {};
}

// Renames an open file to the removal name beside its path, which no run looks
// for. A plain leftover there is discarded first.
Result<void> RenameForRemoval(HANDLE file, const std::wstring& path) {
    const std::wstring removal = path + std::wstring(kRemovalSuffix);
    if (RenameThrough(file, removal, false)) {
        return {};
    }
    if (!IsAlreadyThere(::GetLastError())) {
        return LastRuntimeError();
    }
    if (auto discarded = DiscardLeftover(removal); !discarded.ok()) {
        return discarded;
    }
    if (!RenameThrough(file, removal, false)) {
        return LastRuntimeError();
    }
    return {};
}

// Moves the file at a destination aside through its own handle, so that its
// blocks can be freed in steps once the copy has taken its name: replaced by
// a rename, a large file's blocks are freed in one go inside Wine's server,
// which holds up every window of the session meanwhile. Nothing is moved, and
// the rename replaces what is there, unless it is a plain file held alone.
UniqueFile MoveAside(const std::wstring& path) {
    UniqueFile file = OpenName(path, kRemovalAccess | FILE_WRITE_DATA, 0, OPEN_EXISTING);
    if (!file || !LiesPlainlyAt(file.get(), path) || !RenameForRemoval(file.get(), path).ok()) {
        return {};
    }
    return file;
}

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
// power cut never leaves a partial file under the final name. Every step after
// the checks acts through a handle, so that a name swapped meanwhile gains
// nothing.
Result<void> CopyDurably(const std::wstring& source, const std::wstring& destination) {
    if (HasAttribute(::GetFileAttributesW(source.c_str()), FILE_ATTRIBUTE_DIRECTORY)) {
        return FolderInTheWay();
    }
    if (auto replaceable = CheckReplaceable(destination); !replaceable.ok()) {
        return replaceable;
    }

    const UniqueFile in(RetryTransient([&] {
        return OpenName(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN);
    }));
    if (!in) {
        return LastRuntimeError();
    }
    if (!LiesPlainlyAt(in.get(), source)) {
        return RefusedLink();
    }
    FILE_BASIC_INFO sourceInfo{};
    if (!::GetFileInformationByHandleEx(in.get(), FileBasicInfo, &sourceInfo, sizeof sourceInfo)) {
        return LastRuntimeError();
    }

    UniqueFile out;
    if (auto created = CreateNew(TemporaryCopyName(destination), out); !created.ok()) {
        return created;
    }
    ScopeExit discardTemporary([&] { static_cast<void>(DeleteThrough(out.get(), true)); });

    if (auto copied = CopyContent(in.get(), out.get()); !copied.ok()) {
        return copied;
    }
    FILE_BASIC_INFO times{};
    times.LastWriteTime = sourceInfo.LastWriteTime;
    SetBasicInfo(out.get(), times);
    // One flush per file: flushing as the copy went made it a third slower,
    // since each flush also waits for the file system's journal.
    if (!::FlushFileBuffers(out.get())) {
        return LastRuntimeError();
    }
    const UniqueFile replaced = MoveAside(destination);
    if (!RetryTransient([&] { return RenameThrough(out.get(), destination, true); })) {
        const RuntimeError failure = LastRuntimeError();
        if (replaced) {
            RenameThrough(replaced.get(), destination, false);
        }
        return failure;
    }
    discardTemporary.Dismiss();
    if (replaced) {
        static_cast<void>(DeleteThrough(replaced.get(), true));
    }

    // Like CopyFile, the copy keeps the source's attributes.
    constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (const DWORD kept = sourceInfo.FileAttributes & kKeptAttributes; kept != 0) {
        FILE_BASIC_INFO attributes{};
        attributes.FileAttributes = kept;
        SetBasicInfo(out.get(), attributes);
    }
    return {};
}

// Takes the file's name away first, by renaming it through its handle, and
// only then frees its content: a crash at any moment leaves the whole file
// under its old name or under the removal name, never a part of it under a
// name that a run looks for.
Result<void> RemoveOldFile(const std::wstring& path) {
    // Held exclusively where possible, so that its blocks can be freed in
    // steps; shared with a holder that allows deletion otherwise.
    UniqueFile file = OpenName(path, kRemovalAccess | FILE_WRITE_DATA, 0, OPEN_EXISTING);
    const bool exclusive = static_cast<bool>(file);
    if (!exclusive) {
        file = RetryTransient(
            [&] { return OpenName(path, kRemovalAccess, kShareAll, OPEN_EXISTING); });
        if (!file) {
            return LastRuntimeError();
        }
    }
    if (!LiesPlainlyAt(file.get(), path)) {
        return RefusedLink();
    }
    // Windows refuses to delete a read-only file; Wine does not, so check here.
    if (HasAttribute(AttributesOf(file.get()), FILE_ATTRIBUTE_READONLY)) {
        return PermissionDenied();
    }

    if (auto renamed = RenameForRemoval(file.get(), path); !renamed.ok()) {
        return renamed;
    }
    if (auto deleted = DeleteThrough(file.get(), exclusive); !deleted.ok()) {
        RenameThrough(file.get(), path, false);
        return deleted;
    }
    return {};
}

bool MatchesMask(DWORD attributes, std::uint32_t mask) {
    constexpr DWORD kSelectable =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return (attributes & kSelectable & ~static_cast<DWORD>(mask)) == 0;
}

// Runs a file operation through the runner. Whatever it throws, here or on the
// runner's thread, becomes a failure of the operation.
Result<void> RunBlocking(const BlockingRunner& runner,
                         const std::function<Result<void>()>& operation) {
    Result<void> result = InternalError();
    const auto run = [&] { result = operation(); };
    try {
        runner ? runner(run) : run();
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    } catch (...) {
        return InternalError();
    }
    return result;
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
            return ClassicRuntimeError(error::kFileNotFound, code);
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
    return RunBlocking(runner_, [&] { return CopyDurably(source, destination); });
}

Result<void> Win32FileSystem::RemoveFile(const std::wstring& path) {
    return RunBlocking(runner_, [&] { return RemoveOldFile(path); });
}

Result<void> Win32FileSystem::DiscardLeftovers(const std::wstring& path) {
    return RunBlocking(runner_, [&]() -> Result<void> {
        if (auto copy = DiscardLeftover(TemporaryCopyName(path)); !copy.ok()) {
            return copy;
        }
        return DiscardLeftover(path + std::wstring(kRemovalSuffix));
    });
}

}  // namespace platform
