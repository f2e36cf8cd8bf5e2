// A whole migration run against real files in the prefix's install folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "migration/tutorial_migration.h"
#include "platform/win32_file_system.h"

namespace fs = std::filesystem;

namespace {

struct Recorder final : platform::Desktop, migration::StatusLine, migration::BusyCursor {
    void ShowMessageBox(const std::wstring& prompt, int, const std::wstring&) override {
        boxes.push_back(prompt);
    }
    bool ProcessPendingEvents() override { return true; }
    void SetMousePointer(int) override {}
    void Write(const std::wstring& text) override { status = text; }
    std::wstring Read() const override { return status; }
    void On() override { pointer += L"On "; }
    void Off() override { pointer += L"Off "; }

    std::vector<std::wstring> boxes;
    std::wstring status;
    std::wstring pointer;
};

std::map<std::wstring, std::string> Contents(const fs::path& folder) {
    std::map<std::wstring, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().wstring()] = {std::istreambuf_iterator<char>(in), {}};
    }
    return files;
}

TEST(MigrationOnDisk, MovesRealFilesInTheInstallFolder) {
    const fs::path x86 = L"C:\\Program Files (x86)";
    ASSERT_TRUE(fs::is_directory(x86)) << "a 64-bit prefix has both Program Files folders";
    const fs::path root = x86 / L"Zorvel Pro";
    const fs::path tutorials = root / L"Tutorials";
    fs::remove_all(root);
    fs::create_directories(tutorials);
    struct Cleanup {
        fs::path root;
        ~Cleanup() { fs::remove_all(root); }
    } cleanup{root};

    const std::map<std::wstring, std::string> before = {
        {L"V3_Brasol.avi", "brasol v3"}, {L"V4_Brasol.avi", "brasol v4"},
        {L"Tindel.avi", "tindel bare"},  {L"V4_Zent.avi", "zent v4"},
        {L"ZV_Zent.avi", "zent stale"},  {L"notes.txt", "not a tutorial"},
    };
    for (const auto& [name, content] : before) {
        std::ofstream(tutorials / name, std::ios::binary) << content;
    }

    platform::Win32FileSystem files;
    Recorder window;
    migration::CheckTutorialFiles({files, window, window, window});

    EXPECT_EQ(window.status, L"We're Done!");
    EXPECT_EQ(window.pointer, L"On Off ");
    EXPECT_TRUE(window.boxes.empty());
    const std::map<std::wstring, std::string> expected = {
        {L"ZV_Brasol.avi", "brasol v3"}, {L"V4_Brasol.avi", "brasol v4"},
        {L"ZV_Tindel.avi", "tindel bare"}, {L"ZV_Zent.avi", "zent v4"},
        {L"notes.txt", "not a tutorial"},
    };
    EXPECT_EQ(Contents(tutorials), expected);

    // Folders that exist already are passed over; the second V3_-less Brasol moves now.
    migration::CheckTutorialFiles({files, window, window, window});
    EXPECT_EQ(window.status, L"We're Done!");
    EXPECT_EQ(Contents(tutorials).at(L"ZV_Brasol.avi"), "brasol v4");
    EXPECT_EQ(Contents(tutorials).count(L"V4_Brasol.avi"), 0u);
}

}  // namespace
