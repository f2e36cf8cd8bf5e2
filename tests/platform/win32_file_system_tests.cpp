// The Win32 file system against real files on the prefix's C: drive.

#include "platform/win32_file_system.h"

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/unique_win32.h"
#include "platform/win32_errors.h"

namespace fs = std::filesystem;
using platform::RuntimeError;
using platform::UniqueFile;
using platform::Win32FileSystem;

namespace {

class Win32FileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / (L"zv_fs_" + std::to_wstring(::GetCurrentProcessId()) +
                                             L"_" + std::to_wstring(::GetTickCount64()));
        fs::create_directories(root_);
    }
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(root_)) {
            ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        fs::remove_all(root_);
    }

    std::wstring Path(const std::wstring& name) const { return (root_ / name).wstring(); }

    std::wstring Write(const std::wstring& name, const std::string& content) const {
        std::ofstream(root_ / name, std::ios::binary) << content;
        return Path(name);
    }

    static std::string Read(const std::wstring& path) {
        std::ifstream in(fs::path(path), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    static Win32FileSystem WaitingOneSecond(
        std::function<DWORD(std::wstring_view)> checkStep = {}) {
        platform::FileSystemOptions options;
        options.holdWaitMs = 1000;
        options.checkStep = std::move(checkStep);
        return Win32FileSystem(std::move(options));
    }

    // What the folder holds, by name.
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(root_)) {
            names.push_back(entry.path().filename().wstring());
        }
        return names;
    }

    fs::path root_;
    Win32FileSystem files_ = WaitingOneSecond();
};

void ExpectError(const platform::Result<void>& result, std::int32_t number) {
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().number, number)
        << std::string(result.error().description.begin(), result.error().description.end());
}

TEST_F(Win32FileSystemTest, LengthOfFilesAndFolders) {
    const auto folder = files_.QueryLength(L"C:\\windows");
    ASSERT_TRUE(folder.ok());
    EXPECT_GE(folder.value(), 0);

    EXPECT_EQ(files_.QueryLength(Write(L"seven.avi", "1234567")).value(), 7);

    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND}) {
        const auto length = files_.QueryLength(
            Path(code == ERROR_FILE_NOT_FOUND ? L"missing.avi" : L"no folder\\missing.avi"));
        ASSERT_FALSE(length.ok());
        EXPECT_EQ(length.error(), (RuntimeError{53, L"File not found", code}));
    }

    // A sparse file beyond 4 GiB counts with its full length.
    const std::wstring huge = Path(L"huge.avi");
    {
        const UniqueFile file(::CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD ignored = 0;
        ::DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end{};
        end.QuadPart = (5LL << 30) + 3;
        ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.get()));
    }
    EXPECT_EQ(files_.QueryLength(huge).value(), (5LL << 30) + 3);
}

TEST_F(Win32FileSystemTest, FindFirstEntryHonoursTheFolderMask) {
    fs::create_directory(root_ / L"only a folder");
    const std::wstring pattern = Path(L"*.*");
    EXPECT_EQ(files_.FindFirstEntry(pattern, 0).value(), L"");
    EXPECT_FALSE(files_.FindFirstEntry(pattern, platform::kListFolders).value().empty());
    Write(L"file.avi", "x");
    EXPECT_EQ(files_.FindFirstEntry(pattern, 0).value(), L"file.avi");
    EXPECT_FALSE(files_.FindFirstEntry(L"C:\\*.*", platform::kListFolders).value().empty());
}

TEST_F(Win32FileSystemTest, MakeFolderTellsExistingFromMissingParent) {
    EXPECT_TRUE(files_.MakeFolder(Path(L"new")).ok());
    EXPECT_TRUE(fs::is_directory(root_ / L"new"));
    ExpectError(files_.MakeFolder(Path(L"new")), 75);
    ExpectError(files_.MakeFolder(Path(L"absent\\child")), 76);
}

// Read-only files too, as an installer copies them from a CD: the copy keeps
// the old one's attributes, and the old one is removed, but only as it was copied.
TEST_F(Win32FileSystemTest, CopyReplacesTheDestinationAndLeavesNoTemporaryFile) {
    const std::wstring source = Write(L"V3_Zent.avi", "new content");
    const std::wstring destination = Write(L"ZV_Zent.avi", "older and longer content");
    constexpr DWORD kReadOnlyHidden = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    ::SetFileAttributesW(source.c_str(), kReadOnlyHidden);
    ::SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_READONLY);
    // What a copy cut short left behind is replaced.
    Write(L"ZV_Zent.avi.copying", "part of an older copy");
    ASSERT_TRUE(files_.CopyReplacing(source, destination).ok());
    EXPECT_EQ(Read(destination), "new content");
    EXPECT_EQ(Read(source), "new content");
    EXPECT_EQ(::GetFileAttributesW(destination.c_str()) & kReadOnlyHidden, kReadOnlyHidden);
    ASSERT_TRUE(files_.RemoveFile(source).ok());
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"ZV_Zent.avi"})
        << "no temporary file, and the replaced file is freed";

    // Rewritten between its copy and its deletion, in the same length: it stays.
    const std::wstring changing = Write(L"V4_Zent.avi", "first");
    ASSERT_TRUE(files_.CopyReplacing(changing, destination).ok());
    ::Sleep(20);
    Write(L"V4_Zent.avi", "later");
    const auto refused = files_.RemoveFile(changing);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().description, L"File changed while moved");
    EXPECT_EQ(Read(changing), "later");
    EXPECT_EQ(Read(destination), "first");
}

TEST_F(Win32FileSystemTest, LeftoversOfAnInterruptedRunGoTheTutorialsStay) {
    const std::wstring copying = Write(L"ZV_Zent.avi.copying", "part");
    ::SetFileAttributesW(copying.c_str(), FILE_ATTRIBUTE_READONLY);
    Write(L"V3_Zent.avi.deleting", "whole");
    const std::wstring tutorial = Write(L"ZV_Zent.avi", "zent");
    EXPECT_TRUE(files_.DiscardLeftovers(tutorial).ok());
    EXPECT_TRUE(files_.DiscardLeftovers(Path(L"V3_Zent.avi")).ok());
    EXPECT_TRUE(files_.DiscardLeftovers(Path(L"no folder\\V3_Zent.avi")).ok());
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"ZV_Zent.avi"});
    EXPECT_EQ(Read(tutorial), "zent");
}

// A range of the source that another program locks for a moment is waited for.
TEST_F(Win32FileSystemTest, CopyOfSeveralChunksIsExact) {
    std::string content(5 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    const ULONGLONG unlocked = ::GetTickCount64() + 500;
    Win32FileSystem files = WaitingOneSecond([&](std::wstring_view step) -> DWORD {
        return step == L"read" && ::GetTickCount64() < unlocked ? ERROR_LOCK_VIOLATION
                                                                : ERROR_SUCCESS;
    });
    const std::wstring destination = Path(L"ZV_Big.avi");
    ASSERT_TRUE(files.CopyReplacing(Write(L"Big.avi", content), destination).ok());
    EXPECT_EQ(Read(destination), content);
}

// A copy that cannot take its name puts back the file that had it; a disk too
// small refuses a copy before it reads anything; a folder or a writer stops a copy.
TEST_F(Win32FileSystemTest, RefusedCopiesLeaveBothFilesIntact) {
    std::wstring refusedStep = L"rename";
    Win32FileSystem files = WaitingOneSecond([&](std::wstring_view step) -> DWORD {
        return step == refusedStep ? ERROR_WRITE_FAULT : ERROR_SUCCESS;
    });
    const std::wstring source = Write(L"V3_Zent.avi", "old");
    const std::wstring destination = Write(L"ZV_Zent.avi", "kept");
    ::SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);  // and so its copy
    ExpectError(files.CopyReplacing(source, destination), 57);
    EXPECT_EQ(Read(destination), "kept");
    EXPECT_NE(::GetFileAttributesW(destination.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"V3_Zent.avi", L"ZV_Zent.avi"}))
        << "no temporary file, nothing moved aside";
    // An old copy that cannot leave its name keeps it, read-only as it was.
    refusedStep = L"aside";
    ExpectError(files.RemoveFile(source), 57);
    EXPECT_EQ(Read(source), "old");
    EXPECT_NE(::GetFileAttributesW(source.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    // Larger than any disk has free: sparse, so it takes no room itself.
    const std::wstring huge = Path(L"V4_Huge.avi");
    {
        const UniqueFile file(::CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD ignored = 0;
        ::DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        FILE_END_OF_FILE_INFO end{};
        end.EndOfFile.QuadPart = 1LL << 40;
        ASSERT_TRUE(::SetFileInformationByHandle(file.get(), FileEndOfFileInfo, &end, sizeof end));
    }
    refusedStep = L"read";
    ExpectError(files.CopyReplacing(huge, Path(L"ZV_Huge.avi")), 61);
    EXPECT_FALSE(fs::exists(root_ / L"ZV_Huge.avi.copying"));
    fs::remove(huge);

    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A file that appears at the temporary's name once its leftover has gone is never opened.
    Win32FileSystem raced = WaitingOneSecond([&](std::wstring_view step) -> DWORD {
        if (step == L"create") {
            Write(L"ZV_Raced.avi.copying", "planted");
        }
        return ERROR_SUCCESS;
    });
    ExpectError(raced.CopyReplacing(source, Path(L"ZV_Raced.avi")), 70);
    EXPECT_EQ(Read(Path(L"ZV_Raced.avi.copying")), "planted");
    fs::create_directory(root_ / L"V4_Zent.avi");
    ExpectError(files_.CopyReplacing(Path(L"V4_Zent.avi"), Path(L"ZV_Other.avi")), 75);
    fs::create_directory(root_ / L"ZV_Folder.avi");
    ExpectError(files_.CopyReplacing(source, Path(L"ZV_Folder.avi")), 75);
    const UniqueFile writer(::CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    ExpectError(files_.CopyReplacing(source, Path(L"ZV_Other.avi")), 70);
    EXPECT_FALSE(fs::exists(root_ / L"ZV_Other.avi"));
}

// A holder is waited for as long as the file system's wait, here one second,
// and a file let go meanwhile is removed.
TEST_F(Win32FileSystemTest, RemoveWaitsForAHolder) {
    const std::wstring held = Write(L"V4_Zent.avi", "b");
    const auto holder = [&] {
        return UniqueFile(::CreateFileW(held.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    {
        const UniqueFile reader = holder();
        ASSERT_TRUE(reader);
        const ULONGLONG start = ::GetTickCount64();
        const auto refused = files_.RemoveFile(held);
        ExpectError(refused, 70);
        // The failure names the operation, the file and the system's code; no holder, where
        // the system knows none (Wine).
        const std::wstring& cause = refused.error().cause;
        EXPECT_TRUE(cause.starts_with(L"Deleting 'V4_Zent.avi': ") && cause.ends_with(L". (32)"))
            << std::string(cause.begin(), cause.end());
        EXPECT_GE(::GetTickCount64() - start, 900u);
        EXPECT_LE(::GetTickCount64() - start, 3000u);
        EXPECT_TRUE(fs::exists(held));
    }
    UniqueFile reader = holder();
    // The program's end cuts the wait short.
    {
        platform::CancelSignal ending;
        platform::FileSystemOptions options;
        options.ending = &ending;
        Win32FileSystem files(std::move(options));
        std::thread end([&] {
            ::Sleep(300);
            ending.Raise();
        });
        const ULONGLONG start = ::GetTickCount64();
        ExpectError(files.RemoveFile(held), 70);
        EXPECT_LE(::GetTickCount64() - start, 1500u);
        end.join();
    }
    std::thread letGo([&] {
        ::Sleep(300);
        reader.reset();
    });
    EXPECT_TRUE(files_.RemoveFile(held).ok());
    letGo.join();
    EXPECT_FALSE(fs::exists(held));
    ExpectError(files_.RemoveFile(held), 53);
}

// Removing a name frees the blocks of a large file, but never the bytes that a
// second name or an open reader still reaches.
TEST_F(Win32FileSystemTest, RemoveTakesOnlyTheName) {
    const std::string content(40 * 1024 * 1024 + 5, 'v');
    const std::wstring large = Write(L"V3_Zent.avi", content);
    EXPECT_TRUE(files_.RemoveFile(large).ok());
    EXPECT_FALSE(fs::exists(large));

    // A second name may lie anywhere: neither name is touched.
    const std::wstring linked = Write(L"V4_Zent.avi", content);
    ASSERT_TRUE(::CreateHardLinkW(Path(L"Backup.avi").c_str(), linked.c_str(), nullptr));
    const RuntimeError refused = platform::RuntimeErrorFromWin32(platform::kErrorStoppedOnLink);
    EXPECT_EQ(files_.RemoveFile(linked).error(), refused);
    EXPECT_EQ(files_.CopyReplacing(linked, Path(L"ZV_Zent.avi")).error(), refused);
    EXPECT_EQ(Read(linked), content);
    EXPECT_EQ(Read(Path(L"Backup.avi")), content);
    EXPECT_FALSE(fs::exists(root_ / L"ZV_Zent.avi"));
    // As a destination it is replaced by name: its other name keeps what it held.
    ASSERT_TRUE(files_.CopyReplacing(Write(L"V3_Other.avi", "new"), linked).ok());
    EXPECT_EQ(Read(linked), "new");
    EXPECT_EQ(Read(Path(L"Backup.avi")), content);

    const std::wstring shared = Write(L"Zent.avi", content);
    const UniqueFile reader(::CreateFileW(shared.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_TRUE(files_.RemoveFile(shared).ok());
    LARGE_INTEGER length{};
    ASSERT_TRUE(::GetFileSizeEx(reader.get(), &length));
    EXPECT_EQ(length.QuadPart, static_cast<LONGLONG>(content.size()));
}

// 53 answers the probe, 75 and 76 the run passes over, 70 and 61 the customer can act on.
TEST(RuntimeErrorFromWin32, TheNumbersThatCallersTellApart) {
    using platform::RuntimeErrorFromWin32;
    const std::pair<DWORD, std::int32_t> classic[] = {
        {ERROR_FILE_NOT_FOUND, 53},        {ERROR_PATH_NOT_FOUND, 76},
        {ERROR_ALREADY_EXISTS, 75},        {ERROR_FILE_EXISTS, 75},
        {ERROR_ACCESS_DENIED, 70},         {ERROR_SHARING_VIOLATION, 70},
        {ERROR_LOCK_VIOLATION, 70},        {platform::kErrorStoppedOnLink, 70},
        {platform::kErrorFileChanged, 70}, {ERROR_DISK_FULL, 61},
        {ERROR_HANDLE_DISK_FULL, 61},
    };
    for (const auto& [code, number] : classic) {
        EXPECT_EQ(RuntimeErrorFromWin32(code).number, number) << code;
        EXPECT_EQ(RuntimeErrorFromWin32(code).win32Code, code);
    }
    // Anything else keeps the system's words and a number no caller mistakes.
    for (const DWORD code :
         {ERROR_INVALID_FUNCTION, ERROR_BAD_NETPATH, ERROR_DEV_NOT_EXIST, ERROR_SUCCESS}) {
        const RuntimeError error = RuntimeErrorFromWin32(code);
        for (const std::int32_t taken : {0, 53, 70, 75, 76}) EXPECT_NE(error.number, taken) << code;
        EXPECT_FALSE(error.description.empty());
    }
}

}  // namespace
