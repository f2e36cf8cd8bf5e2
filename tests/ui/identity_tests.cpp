// The executable's identity: its version record, read as Explorer reads it, and
// its icon images, read from the file's resources without running it.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/unique_win32.h"
#include "window_driver.h"

namespace {

using UniqueModule = platform::UniqueAny<platform::HandleTraits<HMODULE, ::FreeLibrary>>;

std::wstring ExecutablePath() { return driver::WindowsPathOf(TOOL_EXECUTABLE); }

TEST(Executable, IsNamedZvCheckFiles) {
    const std::wstring path = ExecutablePath();
    EXPECT_EQ(path.substr(path.find_last_of(L'\\') + 1), L"ZV_CheckFiles.exe");
}

TEST(VersionRecord, HasTheFixedVersionAndTheFiveStringsInUsEnglish) {
    const std::wstring path = ExecutablePath();
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u) << "no version record";
    std::vector<BYTE> record(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // US English (1033) in Unicode (1200), which is what "040904B0" names.
    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"FileVersion", L"1.00"},           {L"ProductVersion", L"1.00"},
        {L"InternalName", L"ZV_CheckFiles"}, {L"OriginalFilename", L"ZV_CheckFiles.exe"},
        {L"ProductName", L"UpdateZorvel"},
    };
    for (const auto& [field, expected] : strings) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + field;
        wchar_t* value = nullptr;
        ASSERT_TRUE(::VerQueryValueW(record.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                     &length))
            << "missing " << driver::ToUtf8(query);
        EXPECT_STREQ(value, expected);
    }
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

// The standard 16-colour palette, in index order, as the bitmap stores it.
constexpr std::array<COLORREF, 16> kStandardPalette = {
    RGB(0x00, 0x00, 0x00), RGB(0x80, 0x00, 0x00), RGB(0x00, 0x80, 0x00), RGB(0x80, 0x80, 0x00),
    RGB(0x00, 0x00, 0x80), RGB(0x80, 0x00, 0x80), RGB(0x00, 0x80, 0x80), RGB(0xC0, 0xC0, 0xC0),
    RGB(0x80, 0x80, 0x80), RGB(0xFF, 0x00, 0x00), RGB(0x00, 0xFF, 0x00), RGB(0xFF, 0xFF, 0x00),
    RGB(0x00, 0x00, 0xFF), RGB(0xFF, 0x00, 0xFF), RGB(0x00, 0xFF, 0xFF), RGB(0xFF, 0xFF, 0xFF),
};

struct Resource {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

Resource Find(HMODULE module, LPCWSTR type, LPCWSTR name) {
    const HRSRC found = ::FindResourceW(module, name, type);
    if (found == nullptr) {
        return {};
    }
    return {static_cast<const BYTE*>(::LockResource(::LoadResource(module, found))),
            ::SizeofResource(module, found)};
}

// One icon image: a bottom-up 4-bit colour bitmap, then its 1-bit mask (1: transparent).
void ExpectBlackTickOnTransparent(const Resource& image, int size) {
    ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data, sizeof(header));
    EXPECT_EQ(header.biWidth, size);
    EXPECT_EQ(header.biHeight, 2 * size);
    EXPECT_EQ(header.biBitCount, 4);
    const auto* palette = reinterpret_cast<const RGBQUAD*>(image.data + header.biSize);
    for (std::size_t i = 0; i < kStandardPalette.size(); ++i) {
        EXPECT_EQ(RGB(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue),
                  kStandardPalette[i])
            << "palette entry " << i;
    }
    const BYTE* colours = image.data + header.biSize + 16 * sizeof(RGBQUAD);
    const int colourStride = ((size * 4 + 31) / 32) * 4;
    const int maskStride = ((size + 31) / 32) * 4;
    const BYTE* mask = colours + colourStride * size;
    ASSERT_LE(static_cast<DWORD>(mask + maskStride * size - image.data), image.size);

    int opaque = 0, black = 0;
    int topRow = size, topX = 0, bottomRow = -1, bottomX = 0;
    for (int y = 0; y < size; ++y) {  // y counts from the top
        const int row = size - 1 - y;
        for (int x = 0; x < size; ++x) {
            if (mask[row * maskStride + x / 8] & (0x80 >> (x % 8))) {
                continue;
            }
            const BYTE pair = colours[row * colourStride + x / 2];
            const int index = x % 2 == 0 ? pair >> 4 : pair & 0x0F;
            ++opaque;
            black += index == 0 ? 1 : 0;
            if (y < topRow) {
                topRow = y, topX = x;
            }
            if (y > bottomRow) {
                bottomRow = y, bottomX = x;
            }
        }
    }
    EXPECT_GT(opaque, size) << "a tick has ink";
    EXPECT_LT(opaque, size * size / 2) << "on a mostly transparent background";
    EXPECT_GT(black, opaque * 3 / 4) << "in black";
    // The long stroke ends at the upper right; the two strokes meet low, left of centre.
    EXPECT_GT(topX, size * 2 / 3);
    EXPECT_LT(topRow, size / 3);
    EXPECT_LT(bottomX, size / 2);
    EXPECT_GT(bottomRow, size * 2 / 3);
}

TEST(Icon, HasA32And16PixelImageOf16ColoursShowingABlackTick) {
    const UniqueModule module(
        ::LoadLibraryExW(ExecutablePath().c_str(), nullptr,
                         LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module) << ::GetLastError();
    const Resource group = Find(module.get(), RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_NE(group.data, nullptr) << "the icon that Explorer shows is the first group";
    GroupIconHeader header;
    std::memcpy(&header, group.data, sizeof(header));
    ASSERT_EQ(header.count, 2);
    ASSERT_GE(group.size, sizeof(header) + header.count * sizeof(GroupIconEntry));
    std::vector<int> sizes;
    for (WORD i = 0; i < header.count; ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, group.data + sizeof(header) + i * sizeof(entry), sizeof(entry));
        SCOPED_TRACE(entry.width);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 4);
        EXPECT_EQ(entry.colourCount, 16);
        sizes.push_back(entry.width);
        ExpectBlackTickOnTransparent(Find(module.get(), RT_ICON, MAKEINTRESOURCEW(entry.id)),
                                     entry.width);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32}));
}

}  // namespace
