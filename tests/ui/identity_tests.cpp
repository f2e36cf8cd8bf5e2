// The executable's identity: its version record, read as Explorer reads it.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring ExecutablePath() {
    std::wstring path = L"Z:" TOOL_EXECUTABLE;
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

TEST(VersionRecord, HasTheFixedVersionAndTheFiveStrings) {
    const std::wstring path = ExecutablePath();
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u) << "no version record";
    std::vector<BYTE> record(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"FileVersion", L"1.00"},
        {L"ProductVersion", L"1.00"},
        {L"InternalName", L"ZV_CheckFiles"},
        {L"OriginalFilename", L"ZV_CheckFiles.exe"},
        {L"ProductName", L"UpdateZorvel"},
    };
    for (const auto& [field, expected] : strings) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + field;
        wchar_t* value = nullptr;
        ASSERT_TRUE(::VerQueryValueW(record.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                     &length))
            << "missing " << std::string(query.begin(), query.end());
        EXPECT_STREQ(value, expected);
    }
}

}  // namespace
