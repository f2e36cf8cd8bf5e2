// The platform's decisions that Wine cannot show: which reparse points redirect a name, when
// two opens reached one file and a file is still as it was copied, whether windows can be seen,
// and who holds a file (Wine's Restart Manager knows no holders).

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/file_identity.h"
#include "platform/runtime_error.h"

namespace {

using platform::kAttributeReparsePoint;

TEST(FileIdentity, OnlyNameSurrogatesRedirectAndOnlyTheSameFileMatches) {
    struct Tag {
        std::uint32_t value;
        bool redirects;
    };
    constexpr Tag kTags[] = {
        {0xA000000C, true},   // symbolic link
        {0xA0000003, true},   // junction or mount point
        {0xA000001D, true},   // WSL symbolic link
        {0xA0000019, true},   // global reparse
        {0x80000017, false},  // compressed by the system (WOF)
        {0x80000013, false},  // deduplicated
        {0x9000001A, false},  // cloud file
        {0x9000601A, false},  // cloud file, another provider
        {0x8000001B, false},  // app execution alias
        {0x80000023, false},  // AF_UNIX socket
        {0x00000000, false},
    };
    for (const Tag& tag : kTags) {
        EXPECT_EQ(platform::RedirectsName(kAttributeReparsePoint | 0x20, tag.value), tag.redirects)
            << std::hex << tag.value;
        EXPECT_FALSE(platform::RedirectsName(0x20, tag.value))
            << "no reparse point: " << std::hex << tag.value;
    }

    constexpr platform::FileIdentity kFile{0x1234ABCD, 0x0001000000000042};
    EXPECT_TRUE(platform::SameFile(kFile, kFile));
    EXPECT_FALSE(platform::SameFile(kFile, {0x1234ABCD, 0x0001000000000043}));
    EXPECT_FALSE(platform::SameFile(kFile, {0x1234ABCE, 0x0001000000000042}))
        << "same index on another volume";
    EXPECT_FALSE(platform::SameFile(kFile, {0x1234ABCD, 0x0000000000000042}))
        << "the index's high half counts";
    EXPECT_FALSE(platform::SameFile({}, {})) << "an identity not reported matches nothing";

    // Only the file that was copied may lose its old name: not one rewritten or replaced since.
    constexpr platform::FileStamp kCopied{kFile, 4096, 0x01DB2A5C00000000};
    EXPECT_TRUE(platform::Unchanged(kCopied, kCopied));
    EXPECT_FALSE(platform::Unchanged(kCopied, {kFile, 4097, kCopied.lastWriteTime}));
    EXPECT_FALSE(platform::Unchanged(kCopied, {kFile, 4096, kCopied.lastWriteTime + 1}));
    EXPECT_FALSE(platform::Unchanged(kCopied, {{0x1234ABCD, 7}, 4096, kCopied.lastWriteTime}));
}

// A file lies where its path says when both resolve to the same folder.
TEST(FileIdentity, AFileLiesWhereItsPathSaysInTheVolumesOwnForm) {
    using platform::LiesDirectlyIn;
    const std::wstring tutorials = L"\\Device\\HarddiskVolume3\\Zorvel Pro\\Tutorials";
    EXPECT_TRUE(
        LiesDirectlyIn({tutorials, tutorials + L"\\v3_zent.AVI", L"", L""}, L"V3_Zent.avi"));
    // A disk mounted in the folder has no drive letter: only its own form names it.
    EXPECT_TRUE(LiesDirectlyIn(
        {L"\\Device\\HarddiskVolume7\\", L"\\Device\\HarddiskVolume7\\V3_Zent.avi", L"", L""},
        L"V3_Zent.avi"));
    // A link followed elsewhere, another name, a folder below.
    for (const std::wstring& reached :
         {std::wstring(L"\\Device\\HarddiskVolume3\\outside\\V3_Zent.avi"),
          tutorials + L"\\notes.txt", tutorials + L"\\V3\\Zent.avi", tutorials + L"_V3_Zent.avi"}) {
        EXPECT_FALSE(LiesDirectlyIn({tutorials, reached, L"", L""}, L"V3_Zent.avi"))
            << std::string(reached.begin(), reached.end());
    }
    // Where the system gives no volume form (Wine), the drive letter's.
    const std::wstring lettered = L"\\\\?\\C:\\Program Files (x86)\\Zorvel Pro\\Tutorials";
    EXPECT_TRUE(LiesDirectlyIn({L"", L"", lettered, lettered + L"\\V3_Zent.avi"}, L"V3_Zent.avi"));
    EXPECT_FALSE(LiesDirectlyIn({}, L"V3_Zent.avi")) << "nothing known, nothing trusted";
}

// A service's window station, where a deployment tool runs programs, shows no window.
TEST(Desktop, WindowsAreSeenOnlyOnAVisibleWindowStation) {
    EXPECT_TRUE(platform::WindowsCanBeSeen(true, 0x0001));
    EXPECT_FALSE(platform::WindowsCanBeSeen(true, 0x0000));
    EXPECT_TRUE(platform::WindowsCanBeSeen(false, 0x0000)) << "unknown flags refuse nothing";
}

TEST(RuntimeError, TheCauseNamesTheProgramsThatHoldTheFile) {
    const std::wstring cause = L"Deleting 'V3_Zent.avi': The process cannot access the file. (32)";
    EXPECT_EQ(platform::WithHolders(cause, {L"Zorvel Pro"}), cause + L" Held by: Zorvel Pro");
    EXPECT_EQ(platform::WithHolders(cause, {L"Zorvel Pro", L"Media Player"}),
              cause + L" Held by: Zorvel Pro, Media Player");
    EXPECT_EQ(platform::WithHolders(cause, {}), cause);
}

}  // namespace
