#include "platform/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "platform/file_identity.h"
#include "platform/unique_win32.h"
#include "platform/win32_errors.h"

namespace platform {
namespace {

// Big enough that system calls cost nothing, small enough to stay in the
// processor's cache and to stop soon once the program is asked to end.
constexpr DWORD kCopyChunkBytes = 256 << 10;

// Freed in steps, a large file never holds up the system for long.
constexpr LONGLONG kReleaseStepBytes = LONGLONG{16} << 20;

// Where a file on its way out waits, once its name has gone, for its content
// to be freed. No run looks for a tutorial under it.
constexpr std::wstring_view kRemovalSuffix = L".deleting";

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What it takes to rename a file, change its attributes and delete it.
constexpr DWORD kRemovalAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

// The longest pause between two tries at a file that another program holds.
constexpr DWORD kLongestHoldPauseMs = 1000;

// What the operations of one file system share: when to stop, how long to
// wait for a holder, and the count of bytes copied.
struct Context {
    const FileSystemOptions& options;
    std::atomic<std::uint64_t>& bytesCopied;

    bool Ending() const { return options.ending != nullptr && options.ending->IsRaised(); }
    // Pauses; false if the program is asked to end meanwhile.
    bool Pause(DWORD milliseconds) const {
        if (options.ending == nullptr) {
            ::Sleep(milliseconds);
            return true;
        }
        return !options.ending->WaitFor(milliseconds);
    }
    // False, with a write fault as the last error, where a test fails the step.
    bool Allows(std::wstring_view step) const {
        if (options.checkStep && !options.checkStep(step)) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        return true;
    }
};

bool IsHeldElsewhere(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
           code == ERROR_LOCK_VIOLATION;
}

bool IsAlreadyThere(DWORD code) {
    return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

// A virus scanner, the indexer or the product itself may hold a file for a few
// seconds and refuse others meanwhile. Such refusals are tried again, with
// growing pauses, until the file system's wait is over.
template <class Attempt>
auto WaitOutHolders(const Context& context, Attempt attempt) {
    DWORD waited = 0;
    DWORD pause = 10;
    for (;;) {
        auto outcome = attempt();
        const DWORD code = ::GetLastError();
        if (outcome || !IsHeldElsewhere(code) || waited >= context.options.holdWaitMs) {
            return outcome;
        }
        pause = std::min(pause, context.options.holdWaitMs - waited);
        const bool goOn = context.Pause(pause);
        ::SetLastError(code);
        if (!goOn) {
            return outcome;
        }
        waited += pause;
        pause = std::min(pause * 2, kLongestHoldPauseMs);
    }
}

bool HasAttribute(DWORD attributes, DWORD flag) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & flag) != 0;
}

// A folder can be neither copied nor replaced by a file.
RuntimeError FolderInTheWay() {
    return ClassicRuntimeError(error::kPathFileAccess, ERROR_ACCESS_DENIED);
}

RuntimeError Stopped() { return RuntimeErrorFromWin32(ERROR_OPERATION_ABORTED); }

// Opens the name itself: on Windows a link is opened as the link, not as what
// it points to. Wine ignores the flag, which the checks below allow for.
UniqueFile OpenName(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags = 0) {
    return UniqueFile(::CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                    flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The path that the system resolves an open file or folder to, in a form of
// volume name, or empty.
std::wstring FinalPath(HANDLE file, DWORD volumeForm) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                        FILE_NAME_NORMALIZED | volumeForm);
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

// The folder part of a path, opened with links and junctions followed: an
// administrator may have moved the folder elsewhere.
UniqueFile OpenFolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return {};
    }
    return UniqueFile(::CreateFileW(path.substr(0, slash + 1).c_str(), FILE_READ_ATTRIBUTES,
                                    kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                    nullptr));
}

// Whether the open file lies directly in the folder that the path's folder
// resolves to, under the path's own name. Compared in the volume's own form,
// which every volume has, with or without a drive letter; where the system
// cannot give that form (Wine, for a drive mapped to a Unix folder), in the
// drive-letter form.
bool ResolvesTo(HANDLE file, const std::wstring& path) {
    const UniqueFile folder = OpenFolderOf(path);
    if (!folder) {
        return false;
    }
    for (const DWORD form : {VOLUME_NAME_NT, VOLUME_NAME_DOS}) {
        std::wstring expected = FinalPath(folder.get(), form);
        const std::wstring actual = FinalPath(file, form);
        if (expected.empty() || actual.empty()) {
            continue;
        }
        if (expected.back() != L'\\') {
            expected += L'\\';
        }
        expected += path.substr(path.find_last_of(L'\\') + 1);
        return ::CompareStringOrdinal(expected.c_str(), static_cast<int>(expected.size()),
                                      actual.c_str(), static_cast<int>(actual.size()),
                                      TRUE) == CSTR_EQUAL;
    }
    return false;
}

DWORD AttributesOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(file, &info) ? info.dwFileAttributes
                                                     : INVALID_FILE_ATTRIBUTES;
}

FileIdentity IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) {
        return {};
    }
    return {info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// True when the open file is a plain file with one name, lying directly in the
// folder that the path's folder resolves to, under the path's own name. A link,
// a second hard link or a name swapped before the open all fail this; once it
// holds, whatever is done through the handle acts on this file alone. A
// reparse point that does not redirect the name holds the file's own data.
bool LiesPlainlyAt(HANDLE file, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info) || info.nNumberOfLinks != 1 ||
        HasAttribute(info.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (HasAttribute(info.dwFileAttributes, FILE_ATTRIBUTE_REPARSE_POINT) &&
        (!::GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) ||
         RedirectsName(info.dwFileAttributes, tag.ReparseTag))) {
        return false;
    }
    return ResolvesTo(file, path);
}

bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO info{};
    info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != FALSE;
}

// Windows refuses to delete or replace a read-only file, even through a
// handle. Returns the attributes it had, to put back if the file stays.
DWORD MakeWritable(HANDLE file) {
    const DWORD attributes = AttributesOf(file);
    if (HasAttribute(attributes, FILE_ATTRIBUTE_READONLY)) {
        SetAttributes(file, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    return attributes;
}

void RestoreReadOnly(HANDLE file, DWORD attributes) {
    if (HasAttribute(attributes, FILE_ATTRIBUTE_READONLY)) {
        SetAttributes(file, attributes);
    }
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

// A file opened to be renamed and deleted. Held alone where possible, so that
// its blocks can be freed in steps; a read-only file gives no write access, and
// a holder that allows deletion is let be.
struct OpenForRemoval {
    UniqueFile file;
    bool exclusive = false;
};

OpenForRemoval OpenToRemove(const Context& context, const std::wstring& path, bool waitForHolders) {
    UniqueFile file = OpenName(path, kRemovalAccess | FILE_WRITE_DATA, 0, OPEN_EXISTING);
    if (file) {
        return {std::move(file), true};
    }
    const auto shared = [&] { return OpenName(path, kRemovalAccess, kShareAll, OPEN_EXISTING); };
    return {waitForHolders ? WaitOutHolders(context, shared) : shared(), false};
}

// Deletes an open file through its handle; the file goes when the handle
// closes. A file held alone is first cut short in steps, since freeing a large
// video's blocks in one go can hold up every window of the session. Its name
// must already be one that no run looks for. Once the program is asked to end,
// the rest is freed at once.
Result<void> DeleteThrough(const Context& context, HANDLE file, bool exclusive) {
    MakeWritable(file);
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
    while (end.EndOfFile.QuadPart > 0 && !context.Ending()) {
        end.EndOfFile.QuadPart -= std::min(end.EndOfFile.QuadPart, kReleaseStepBytes);
        if (!::SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end)) {
            break;
        }
    }
    return {};
}

// What an interrupted copy or removal left under one of the file system's own
// names: deleted if it is a plain file, refused if it is a link, which could
// only have been planted there. A holder is waited for only when the name is
// needed now.
Result<void> DiscardLeftover(const Context& context, const std::wstring& path,
                             bool waitForHolders) {
    const OpenForRemoval leftover = OpenToRemove(context, path, waitForHolders);
    if (!leftover.file) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return {};
        }
        return code == ERROR_CANT_RESOLVE_FILENAME ? RefusedLink() : RuntimeErrorFromWin32(code);
    }
    if (!LiesPlainlyAt(leftover.file.get(), path)) {
        return RefusedLink();
    }
    return DeleteThrough(context, leftover.file.get(), leftover.exclusive);
}

// Creates a file that did not exist, never opening an existing one. A plain
// leftover of an interrupted run is discarded first; anything else there,
// such as a dangling link, is refused.
Result<void> CreateNew(const Context& context, const std::wstring& path, UniqueFile& created) {
    const auto create = [&] {
        return OpenName(path, GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                        0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    };
    created = create();
    if (!created && IsAlreadyThere(::GetLastError())) {
        if (auto discarded = DiscardLeftover(context, path, true); !discarded.ok()) {
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
        static_cast<void>(DeleteThrough(context, created.get(), false));
        created.reset();
        return RefusedLink();
    }
    return {};
}

// Whether what stands at the destination may be replaced: not a folder. A
// link there is replaced, never followed, so what it points to does not count.
Result<void> CheckReplaceable(const std::wstring& destination) {
    const UniqueFile existing(OpenName(destination, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS));
    if (existing && HasAttribute(AttributesOf(existing.get()), FILE_ATTRIBUTE_DIRECTORY)) {
        return FolderInTheWay();
    }
    return {};  // a file, nothing, a dangling link or a loop: the rename replaces it
}

// Renames an open file to the removal name beside its path, which no run looks
// for. A plain leftover there is discarded first.
Result<void> RenameForRemoval(const Context& context, HANDLE file, const std::wstring& path) {
    const std::wstring removal = path + std::wstring(kRemovalSuffix);
    if (RenameThrough(file, removal, false)) {
        return {};
    }
    if (!IsAlreadyThere(::GetLastError())) {
        return LastRuntimeError();
    }
    if (auto discarded = DiscardLeftover(context, removal, true); !discarded.ok()) {
        return discarded;
    }
    if (!RenameThrough(file, removal, false)) {
        return LastRuntimeError();
    }
    return {};
}

// The file that stood at a destination, moved aside through its own handle so
// that it can be put back if the copy cannot take its name, and freed in steps
// once it has. Nothing is moved, and the rename replaces what is there, unless
// it is a plain file.
struct MovedAside {
    OpenForRemoval removal;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;

    void PutBack(const std::wstring& path) {
        if (removal.file && RenameThrough(removal.file.get(), path, false)) {
            RestoreReadOnly(removal.file.get(), attributes);
        }
    }
};

MovedAside MoveAside(const Context& context, const std::wstring& path) {
    MovedAside aside{OpenToRemove(context, path, false)};
    if (!aside.removal.file || !LiesPlainlyAt(aside.removal.file.get(), path)) {
        return {};
    }
    aside.attributes = MakeWritable(aside.removal.file.get());
    if (!RenameForRemoval(context, aside.removal.file.get(), path).ok()) {
        RestoreReadOnly(aside.removal.file.get(), aside.attributes);
        return {};
    }
    return aside;
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

Result<void> CopyContent(const Context& context, HANDLE from, HANDLE to) {
    const auto buffer = std::make_unique_for_overwrite<std::byte[]>(kCopyChunkBytes);
    for (;;) {
        if (context.Ending()) {
            return Stopped();
        }
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
        context.bytesCopied += read;
    }
}

// The handle to read a source's data through. A reparse point that holds the
// file's own data (a compressed, deduplicated or cloud file) is served by a
// filter that a handle to the point itself may bypass, so such a file is
// opened again normally, and must turn out to be the same file.
Result<void> OpenData(const std::wstring& source, HANDLE checked, UniqueFile& data) {
    if (!HasAttribute(AttributesOf(checked), FILE_ATTRIBUTE_REPARSE_POINT)) {
        return {};
    }
    data.reset(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!data) {
        return LastRuntimeError();
    }
    if (!SameFile(IdentityOf(checked), IdentityOf(data.get()))) {
        return RefusedLink();
    }
    return {};
}

// Writes the copy under a temporary name beside the destination, flushes it to
// disk and only then renames it over the destination, so that a failure or a
// power cut never leaves a partial file under the final name. Every step after
// the checks acts through a handle, so that a name swapped meanwhile gains
// nothing.
Result<void> CopyDurably(const Context& context, const std::wstring& source,
                         const std::wstring& destination) {
    if (HasAttribute(::GetFileAttributesW(source.c_str()), FILE_ATTRIBUTE_DIRECTORY)) {
        return FolderInTheWay();
    }
    if (auto replaceable = CheckReplaceable(destination); !replaceable.ok()) {
        return replaceable;
    }

    const UniqueFile in(WaitOutHolders(context, [&] {
        return OpenName(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN);
    }));
    if (!in) {
        return LastRuntimeError();
    }
    if (!LiesPlainlyAt(in.get(), source)) {
        return RefusedLink();
    }
    UniqueFile data;
    if (auto opened = OpenData(source, in.get(), data); !opened.ok()) {
        return opened;
    }
    FILE_BASIC_INFO sourceInfo{};
    if (!::GetFileInformationByHandleEx(in.get(), FileBasicInfo, &sourceInfo, sizeof sourceInfo)) {
        return LastRuntimeError();
    }

    UniqueFile out;
    if (auto created = CreateNew(context, TemporaryCopyName(destination), out); !created.ok()) {
        return created;
    }
    ScopeExit discardTemporary(
        [&] { static_cast<void>(DeleteThrough(context, out.get(), true)); });

    if (auto copied = CopyContent(context, data ? data.get() : in.get(), out.get());
        !copied.ok()) {
        return copied;
    }
    FILE_BASIC_INFO times{};
    times.LastWriteTime = sourceInfo.LastWriteTime;
    ::SetFileInformationByHandle(out.get(), FileBasicInfo, &times, sizeof times);
    // One flush per file, before the name is given: the name never holds a
    // copy that a power cut could still take.
    if (!context.Allows(L"flush") || !::FlushFileBuffers(out.get())) {
        return LastRuntimeError();
    }
    MovedAside replaced = MoveAside(context, destination);
    if (!context.Allows(L"rename") || !WaitOutHolders(context, [&] {
            return RenameThrough(out.get(), destination, true);
        })) {
        const RuntimeError failure = LastRuntimeError();
        replaced.PutBack(destination);
        return failure;
    }
    discardTemporary.Dismiss();
    if (replaced.removal.file) {
        static_cast<void>(
            DeleteThrough(context, replaced.removal.file.get(), replaced.removal.exclusive));
    }

    // Like CopyFile, the copy keeps the source's attributes, read-only included.
    constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (const DWORD kept = sourceInfo.FileAttributes & kKeptAttributes; kept != 0) {
        SetAttributes(out.get(), kept);
    }
    return {};
}

// Takes the file's name away first, by renaming it through its handle, and
// only then frees its content: a crash at any moment leaves the whole file
// under its old name or under the removal name, never a part of it under a
// name that a run looks for. A read-only file loses the attribute on its way
// out, and gets it back if it stays.
Result<void> RemoveOldFile(const Context& context, const std::wstring& path) {
    const OpenForRemoval old = OpenToRemove(context, path, true);
    if (!old.file) {
        return LastRuntimeError();
    }
    if (!LiesPlainlyAt(old.file.get(), path)) {
        return RefusedLink();
    }
    const DWORD attributes = MakeWritable(old.file.get());
    if (auto renamed = RenameForRemoval(context, old.file.get(), path); !renamed.ok()) {
        RestoreReadOnly(old.file.get(), attributes);
        return renamed;
    }
    if (auto deleted = DeleteThrough(context, old.file.get(), old.exclusive); !deleted.ok()) {
        if (RenameThrough(old.file.get(), path, false)) {
            RestoreReadOnly(old.file.get(), attributes);
        }
        return deleted;
    }
    return {};
}

bool MatchesMask(DWORD attributes, std::uint32_t mask) {
    constexpr DWORD kSelectable =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return (attributes & kSelectable & ~static_cast<DWORD>(mask)) == 0;
}

// The file name at the end of a path, as a failure names it.
std::wstring Quoted(const std::wstring& path) {
    return L"'" + path.substr(path.find_last_of(L'\\') + 1) + L"'";
}

// Runs a file operation through the runner. Whatever it throws, here or on the
// runner's thread, becomes a failure of the operation, which is named.
Result<void> RunBlocking(const BlockingRunner& runner, const std::wstring& name,
                         const std::function<Result<void>()>& operation) {
    Result<void> result = InternalError();
    const auto run = [&] { result = operation(); };
    try {
        runner ? runner(run) : run();
    } catch (const std::bad_alloc&) {
        result = OutOfMemory();
    } catch (...) {
        result = InternalError();
    }
    return WithOperation(std::move(result), name);
}

}  // namespace

std::wstring TemporaryCopyName(const std::wstring& destination) {
    return destination + L".copying";
}

Win32FileSystem::Win32FileSystem(FileSystemOptions options) : options_(std::move(options)) {}

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
        return WithOperation(LastRuntimeError(), L"Making the folder " + Quoted(path));
    }
    return {};
}

Result<void> Win32FileSystem::CopyReplacing(const std::wstring& source,
                                            const std::wstring& destination) {
    const Context context{options_, bytesCopied_};
    return RunBlocking(options_.runner, L"Copying " + Quoted(source) + L" to " + Quoted(destination),
                       [&] { return CopyDurably(context, source, destination); });
}

Result<void> Win32FileSystem::RemoveFile(const std::wstring& path) {
    const Context context{options_, bytesCopied_};
    return RunBlocking(options_.runner, L"Deleting " + Quoted(path),
                       [&] { return RemoveOldFile(context, path); });
}

// Called before the run needs these names: a leftover that cannot go now
// stays for the next run, unless this run needs its name, and then the step
// that needs it waits for it.
Result<void> Win32FileSystem::DiscardLeftovers(const std::wstring& path) {
    const Context context{options_, bytesCopied_};
    return RunBlocking(options_.runner, L"Removing what is left beside " + Quoted(path),
                       [&]() -> Result<void> {
                           if (auto copy = DiscardLeftover(context, TemporaryCopyName(path), false);
                               !copy.ok()) {
                               return copy;
                           }
                           return DiscardLeftover(context, path + std::wstring(kRemovalSuffix),
                                                  false);
                       });
}

}  // namespace platform
