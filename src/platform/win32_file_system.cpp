#include "platform/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "platform/file_identity.h"
#include "platform/unique_win32.h"
#include "platform/win32_errors.h"

namespace platform {
namespace {

// Small enough to stay in the cache and to stop soon once the program ends.
constexpr DWORD kCopyChunkBytes = 256 << 10;

// Freed in steps, a large file never holds up the system for long.
constexpr LONGLONG kReleaseStepBytes = LONGLONG{4} << 20;

// A copy's name until it takes the real one, a leaving file's until freed; no run looks there.
constexpr wchar_t kCopySuffix[] = L".copying";
constexpr wchar_t kRemovalSuffix[] = L".deleting";

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What it takes to rename a file, change its attributes and delete it.
constexpr DWORD kRemovalAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

constexpr DWORD kLongestHoldPauseMs = 1000;

// A copy is flushed in steps as it is written, each about what the disk writes in a quarter of a
// second (as the flushes before showed), so the last flush, which Exit waits for, is short.
constexpr std::uint64_t kFirstFlushStepBytes = std::uint64_t{32} << 20;
constexpr std::uint64_t kLargestFlushStepBytes = std::uint64_t{512} << 20;

// Steps return the code of what stopped them (or ERROR_SUCCESS); each operation maps it once.
DWORD LastError() {
    const DWORD code = ::GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_INTERNAL_ERROR;
}

// False, with the test's code as the last error, where a test fails the step.
bool Allows(const FileSystemOptions& options, std::wstring_view step) {
    const DWORD code = options.checkStep ? options.checkStep(step) : ERROR_SUCCESS;
    ::SetLastError(code);
    return code == ERROR_SUCCESS;
}

// One copy or deletion: how long it has waited for holders, and the file held past the wait.
struct Operation {
    const FileSystemOptions& options;
    std::uint64_t* flushStep = nullptr;  // a copy's, learnt by the copies before it
    DWORD waitedMs = 0;
    std::wstring heldPath = {};
};

// A scanner, the indexer or the product may hold a file for seconds: retried, pausing longer.
template <class Attempt>
auto WaitOutHolders(Operation& operation, const std::wstring& path, Attempt attempt) {
    for (DWORD pause = 10;; pause = std::min(pause * 2, kLongestHoldPauseMs)) {
        auto outcome = attempt();
        const DWORD code = ::GetLastError();
        const bool held = !outcome && (code == ERROR_SHARING_VIOLATION ||
                                       code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION);
        pause = std::min(pause, operation.options.holdWaitMs - operation.waitedMs);
        operation.heldPath = held && pause == 0 ? path : operation.heldPath;
        if (!held || pause == 0 || operation.options.ending->WaitFor(pause)) {
            ::SetLastError(code);
            return outcome;
        }
        operation.waitedMs += pause;
    }
}

bool HasAttribute(DWORD attributes, DWORD flag) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & flag) != 0;
}

// Opens a link as the link, not what it points to; Wine ignores the flag, as the checks allow.
UniqueFile OpenName(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags = 0) {
    return UniqueFile(::CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                    flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The path that the system resolves an open file or folder to, or empty; asked first for its size.
std::wstring FinalPath(HANDLE file, DWORD volumeForm) {
    const DWORD flags = FILE_NAME_NORMALIZED | volumeForm;
    std::wstring path(::GetFinalPathNameByHandleW(file, nullptr, 0, flags), L'\0');
    const DWORD length =
        ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), flags);
    path.resize(length < path.size() ? length : 0);
    return path;
}

// Whether the open file lies, under its path's name, directly in the folder the path names.
bool ResolvesTo(HANDLE file, const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return false;
    }
    const UniqueFile folder(::CreateFileW(path.substr(0, slash + 1).c_str(), FILE_READ_ATTRIBUTES,
                                          kShareAll, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        return false;
    }
    const std::wstring folderNt = FinalPath(folder.get(), VOLUME_NAME_NT);
    const std::wstring fileNt = FinalPath(file, VOLUME_NAME_NT);
    const bool inVolumeForm = !folderNt.empty() && !fileNt.empty();
    const std::wstring folderDos = inVolumeForm ? L"" : FinalPath(folder.get(), VOLUME_NAME_DOS);
    const std::wstring fileDos = inVolumeForm ? L"" : FinalPath(file, VOLUME_NAME_DOS);
    return LiesDirectlyIn({folderNt, fileNt, folderDos, fileDos},
                          std::wstring_view(path).substr(slash + 1));
}

// All zero where the system cannot tell.
BY_HANDLE_FILE_INFORMATION InfoOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(file, &info) ? info : BY_HANDLE_FILE_INFORMATION{};
}

// The information of a plain file with one name that ResolvesTo its path, or nothing (a link, a
// second hard link, a name swapped before the open), so that its handle acts on this file alone.
std::optional<BY_HANDLE_FILE_INFORMATION> LiesPlainlyAt(HANDLE file, const std::wstring& path) {
    const BY_HANDLE_FILE_INFORMATION info = InfoOf(file);
    if (info.nNumberOfLinks != 1 || HasAttribute(info.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (HasAttribute(info.dwFileAttributes, FILE_ATTRIBUTE_REPARSE_POINT) &&
        (!::GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) ||
         RedirectsName(info.dwFileAttributes, tag.ReparseTag))) {
        return std::nullopt;
    }
    return ResolvesTo(file, path) ? std::optional(info) : std::nullopt;
}

bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO info{};
    info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != FALSE;
}

// Windows deletes or replaces no read-only file; returns the attributes to put back, or 0.
DWORD MakeWritable(HANDLE file) {
    const DWORD attributes = InfoOf(file).dwFileAttributes;
    if (!HasAttribute(attributes, FILE_ATTRIBUTE_READONLY)) {
        return 0;
    }
    SetAttributes(file, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    return attributes;
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

// Deletes an open file, whose name no run looks for, through its handle; one held alone is cut
// short in steps first, as freeing a large video at once can hold up the session's windows.
DWORD DeleteThrough(const FileSystemOptions& options, HANDLE file, bool exclusive) {
    MakeWritable(file);
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition)) {
        return LastError();
    }
    FILE_END_OF_FILE_INFO end{};
    const bool inSteps = exclusive && ::GetFileSizeEx(file, &end.EndOfFile);
    while (inSteps && end.EndOfFile.QuadPart > 0 && !options.ending->IsRaised()) {
        end.EndOfFile.QuadPart -= std::min(end.EndOfFile.QuadPart, kReleaseStepBytes);
        if (!::SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end)) {
            break;
        }
    }
    return ERROR_SUCCESS;
}

// A file opened to go: held alone where possible, to free it in steps; else shared with a holder.
struct Departing {
    UniqueFile file;
    bool exclusive = false;
    DWORD attributes = 0;  // to put back if it stays, where read-only was cleared

    void Stay() const {
        if (attributes != 0) {
            SetAttributes(file.get(), attributes);
        }
    }
    void Return(const std::wstring& path) const {
        if (RenameThrough(file.get(), path, false)) {
            Stay();
        }
    }
};

// Shared with a holder: sharedWith says what it may go on doing meanwhile.
DWORD OpenToRemove(Operation& operation, const std::wstring& path, bool waitForHolders,
                   DWORD sharedWith, Departing& departing) {
    const auto shared = [&] { return OpenName(path, kRemovalAccess, sharedWith, OPEN_EXISTING); };
    departing.file = OpenName(path, kRemovalAccess | FILE_WRITE_DATA, 0, OPEN_EXISTING);
    departing.exclusive = static_cast<bool>(departing.file);
    if (!departing.exclusive) {
        departing.file = waitForHolders ? WaitOutHolders(operation, path, shared) : shared();
    }
    if (!departing.file) {
        return LastError();
    }
    return LiesPlainlyAt(departing.file.get(), path) ? ERROR_SUCCESS : kErrorStoppedOnLink;
}

// A file marked for deletion keeps its name until the last program holding it lets go.
bool WaitForNameToGo(Operation& operation, const std::wstring& path) {
    return WaitOutHolders(operation, path, [&] {
        const bool named = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        return named ? (::SetLastError(ERROR_SHARING_VIOLATION), false)
                     : ::GetLastError() == ERROR_FILE_NOT_FOUND;
    });
}

// A plain leftover goes (a link was planted); a holder is waited out only where the name is needed.
DWORD DiscardLeftover(Operation& operation, const std::wstring& path, bool waitForHolders) {
    Departing leftover;
    const DWORD failed = OpenToRemove(operation, path, waitForHolders, kShareAll, leftover);
    if (failed != ERROR_SUCCESS) {
        return failed == ERROR_FILE_NOT_FOUND || failed == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS
               : failed == ERROR_CANT_RESOLVE_FILENAME ? kErrorStoppedOnLink
                                                       : failed;
    }
    if (const DWORD refused =
            DeleteThrough(operation.options, leftover.file.get(), leftover.exclusive)) {
        return refused;
    }
    leftover.file.reset();
    return waitForHolders && !WaitForNameToGo(operation, path) ? LastError() : ERROR_SUCCESS;
}

// A checked file leaving its name is renamed through its handle to the removal name beside it, so
// that a crash leaves it whole under one of the two. Departing::Return undoes it.
DWORD RenameAside(Operation& operation, const std::wstring& path, Departing& departing) {
    if (const DWORD failed = DiscardLeftover(operation, path + kRemovalSuffix, true)) {
        return failed;
    }
    departing.attributes = MakeWritable(departing.file.get());
    if (!Allows(operation.options, L"aside") ||
        !RenameThrough(departing.file.get(), path + kRemovalSuffix, false)) {
        const DWORD failed = LastError();
        departing.Stay();
        return failed;
    }
    return ERROR_SUCCESS;
}

FileStamp StampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {{info.dwVolumeSerialNumber,
             (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow},
            (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
            std::bit_cast<std::uint64_t>(info.ftLastWriteTime)};
}

// Reserved first, a disk too small refuses the copy at once and the copy lies in few pieces;
// where the file system cannot reserve (Wine, some network drives), the free space is compared.
DWORD Reserve(HANDLE file, const std::wstring& path, std::uint64_t length) {
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(length);
    if (::SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation)) {
        return ERROR_SUCCESS;
    }
    const DWORD code = ::GetLastError();
    ULARGE_INTEGER available{};
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL ||
                   (::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) &&
                    available.QuadPart < length)
               ? ERROR_DISK_FULL
               : ERROR_SUCCESS;
}

DWORD CopyContent(Operation& operation, std::atomic<std::uint64_t>& copied, HANDLE from,
                  const std::wstring& source, HANDLE to) {
    const auto buffer = std::make_unique_for_overwrite<std::byte[]>(kCopyChunkBytes);
    for (std::uint64_t unflushed = 0;;) {
        if (operation.options.ending->IsRaised()) {
            return ERROR_OPERATION_ABORTED;
        }
        DWORD read = 0;
        const auto readChunk = [&] {
            return Allows(operation.options, L"read") &&
                   ::ReadFile(from, buffer.get(), kCopyChunkBytes, &read, nullptr);
        };
        // A program may lock a range of the source for a moment.
        if (!WaitOutHolders(operation, source, readChunk)) {
            return LastError();
        }
        if (read == 0) {
            return ERROR_SUCCESS;
        }
        for (DWORD done = 0, written = 0; done < read; done += written) {
            if (!::WriteFile(to, buffer.get() + done, read - done, &written, nullptr)) {
                return LastError();
            }
        }
        copied += read;
        unflushed += read;
        if (unflushed >= std::max(*operation.flushStep, kFirstFlushStepBytes)) {
            const auto start = std::chrono::steady_clock::now();
            if (!::FlushFileBuffers(to)) {
                return LastError();
            }
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            const double perQuarterSecond =
                static_cast<double>(unflushed) / 4 / std::max(took.count(), 1e-6);
            *operation.flushStep = std::clamp(static_cast<std::uint64_t>(perQuarterSecond),
                                              kFirstFlushStepBytes, kLargestFlushStepBytes);
            unflushed = 0;
        }
    }
}

// Written under a temporary name, flushed, then renamed over the destination through its handle:
// no failure or power cut leaves a partial file under the final name.
DWORD CopyDurably(Operation& operation, std::atomic<std::uint64_t>& copied,
                  const std::wstring& source, const std::wstring& destination, FileStamp& stamp) {
    const FileSystemOptions& options = operation.options;
    // A folder can be neither copied nor replaced by a file; a link is replaced by the rename.
    const auto isFolder = [](const std::wstring& path) {
        return HasAttribute(::GetFileAttributesW(path.c_str()), FILE_ATTRIBUTE_DIRECTORY);
    };
    if (isFolder(source) || isFolder(destination)) {
        return kErrorOnFolder;
    }
    // Nobody may write to it while it is copied.
    const UniqueFile checked(WaitOutHolders(operation, source, [&] {
        return OpenName(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN);
    }));
    if (!checked) {
        return LastError();
    }
    const auto info = LiesPlainlyAt(checked.get(), source);
    if (!info) {
        return kErrorStoppedOnLink;
    }
    stamp = StampOf(*info);
    // A reparse point holding its data (compressed, deduplicated, cloud) is served by a filter
    // that a handle to the point may bypass: it is read through a normal open of the same file.
    UniqueFile data;
    if (HasAttribute(info->dwFileAttributes, FILE_ATTRIBUTE_REPARSE_POINT)) {
        data.reset(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!data) {
            return LastError();
        }
        if (!SameFile(stamp.identity, StampOf(InfoOf(data.get())).identity)) {
            return kErrorStoppedOnLink;
        }
    }
    const HANDLE in = data ? data.get() : checked.get();

    // Created new: a leftover there goes first; anything else (a dangling link) is refused.
    const std::wstring temporary = destination + kCopySuffix;
    if (const DWORD failed = DiscardLeftover(operation, temporary, true)) {
        return failed;
    }
    const UniqueFile out = Allows(options, L"create")
                               ? OpenName(temporary, GENERIC_WRITE | kRemovalAccess, 0, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN)
                               : UniqueFile();
    if (!out) {
        const DWORD code = LastError();
        return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? kErrorStoppedOnLink
                                                                         : code;
    }
    ScopeExit discardTemporary([&] { static_cast<void>(DeleteThrough(options, out.get(), true)); });
    if (!LiesPlainlyAt(out.get(), temporary)) {
        return kErrorStoppedOnLink;
    }
    if (const DWORD failed = Reserve(out.get(), temporary, stamp.length)) {
        return failed;
    }
    if (const DWORD failed = CopyContent(operation, copied, in, source, out.get())) {
        return failed;
    }
    // Like CopyFile, the copy keeps the source's time and attributes, read-only included.
    constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    FILE_BASIC_INFO kept{};
    kept.LastWriteTime = std::bit_cast<LARGE_INTEGER>(info->ftLastWriteTime);
    kept.FileAttributes = info->dwFileAttributes & kKeptAttributes;
    ::SetFileInformationByHandle(out.get(), FileBasicInfo, &kept, sizeof kept);
    // Flushed before the name is given: the name never holds what a power cut could take.
    if (!Allows(options, L"flush") || !::FlushFileBuffers(out.get())) {
        return LastError();
    }
    // A plain file at the destination moves aside, to come back if the rename fails; not a link.
    Departing replaced;
    if (OpenToRemove(operation, destination, true, kShareAll, replaced) != ERROR_SUCCESS ||
        RenameAside(operation, destination, replaced) != ERROR_SUCCESS) {
        replaced.file.reset();
    }
    if (!Allows(options, L"rename") || !WaitOutHolders(operation, destination, [&] {
            return RenameThrough(out.get(), destination, true);
        })) {
        const DWORD failure = LastError();
        if (replaced.file) {
            replaced.Return(destination);
        }
        return failure;
    }
    discardTemporary.Dismiss();
    if (replaced.file) {
        static_cast<void>(DeleteThrough(options, replaced.file.get(), replaced.exclusive));
    }
    // The new name reaches the disk before the old copy may go (FAT keeps it with the file).
    return ::FlushFileBuffers(out.get()) ? ERROR_SUCCESS : LastError();
}

// The file name at the end of a path, as a failure names it.
std::wstring Quoted(const std::wstring& path) {
    return L"'" + path.substr(path.find_last_of(L'\\') + 1) + L"'";
}

// Whatever the operation throws, here or on the runner's thread, fails it; holders are named.
Result<void> RunBlocking(Operation& operation, const std::wstring& name,
                         const std::function<DWORD()>& step) {
    DWORD code = ERROR_INTERNAL_ERROR;
    const auto run = [&] { code = step(); };
    try {
        operation.options.runner ? operation.options.runner(run) : run();
        if (code == ERROR_SUCCESS) {
            return {};
        }
        RuntimeError failure = RuntimeErrorFromWin32(code, name);
        if ((code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) &&
            !operation.heldPath.empty()) {
            failure.cause = WithHolders(failure.cause, ProgramsHolding(operation.heldPath));
        }
        return failure;
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    } catch (...) {
        return InternalError();
    }
}

}  // namespace

Win32FileSystem::Win32FileSystem(FileSystemOptions options) : options_(std::move(options)) {
    options_.ending = options_.ending != nullptr ? options_.ending : &unending_;
}

Result<std::int64_t> Win32FileSystem::QueryLength(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) {
        // A missing folder along the path also means that nothing of that name exists.
        const DWORD code = LastError();
        RuntimeError failure =
            RuntimeErrorFromWin32(code == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : code);
        failure.win32Code = code;
        return failure;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return std::int64_t{0};
    }
    // 64 bits, so that a video of 2 GiB or more still counts as existing.
    return static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
}

Result<std::wstring> Win32FileSystem::FindFirstEntry(const std::wstring& pattern,
                                                     std::uint32_t attributeMask) {
    WIN32_FIND_DATAW entry{};
    const UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr, 0));
    // Hidden, system and folder entries count only where the mask has their bit.
    constexpr DWORD kSelectable =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    if (find) {
        do {
            if ((entry.dwFileAttributes & kSelectable & ~attributeMask) == 0) {
                return std::wstring(entry.cFileName);
            }
        } while (::FindNextFileW(find.get(), &entry));
    }
    const DWORD code = LastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_NO_MORE_FILES) {
        return RuntimeErrorFromWin32(code);
    }
    return std::wstring();
}

Result<void> Win32FileSystem::MakeFolder(const std::wstring& path) {
    if (::CreateDirectoryW(path.c_str(), nullptr)) {
        return {};
    }
    return RuntimeErrorFromWin32(LastError(), L"Making the folder " + Quoted(path));
}

Result<void> Win32FileSystem::CopyReplacing(const std::wstring& source,
                                            const std::wstring& destination) {
    lastCopied_.reset();
    Operation operation{options_, &flushStep_};
    FileStamp stamp;
    auto copied = RunBlocking(
        operation, L"Copying " + Quoted(source) + L" to " + Quoted(destination),
        [&] { return CopyDurably(operation, bytesCopied_, source, destination, stamp); });
    if (copied.ok()) {
        lastCopied_ = Copied{source, stamp};
    }
    return copied;
}

// Shared with no writer; a file changed since its copy, or put in its place, stays.
Result<void> Win32FileSystem::RemoveFile(const std::wstring& path) {
    std::optional<Copied> copied;
    copied.swap(lastCopied_);
    Operation operation{options_};
    return RunBlocking(operation, L"Deleting " + Quoted(path), [&] {
        Departing old;
        constexpr DWORD kReadersOnly = FILE_SHARE_READ | FILE_SHARE_DELETE;
        if (const DWORD failed = OpenToRemove(operation, path, true, kReadersOnly, old)) {
            return failed;
        }
        if (copied && copied->source == path &&
            !Unchanged(copied->stamp, StampOf(InfoOf(old.file.get())))) {
            return kErrorFileChanged;
        }
        if (const DWORD failed = RenameAside(operation, path, old)) {
            return failed;
        }
        const DWORD failed = DeleteThrough(options_, old.file.get(), old.exclusive);
        if (failed != ERROR_SUCCESS) {
            old.Return(path);
        }
        return failed;
    });
}

Result<void> Win32FileSystem::DiscardLeftovers(const std::wstring& path) {
    Operation operation{options_};
    return RunBlocking(operation, L"Removing what is left beside " + Quoted(path), [&] {
        const DWORD failed = DiscardLeftover(operation, path + kCopySuffix, false);
        return failed ? failed : DiscardLeftover(operation, path + kRemovalSuffix, false);
    });
}

}  // namespace platform
