// Which reparse points redirect a name, and when two opens reached one file.
// Wine makes no reparse points, so the decisions are tested here.

#include "platform/file_identity.h"

#include <gtest/gtest.h>

#include <cstdint>

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
}

}  // namespace
