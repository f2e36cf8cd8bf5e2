// Runs of the real ZV_CheckFiles.exe: started from here, driven through its
// window from outside as a user would, with the files checked on the prefix's
// C: drive. The install folders are emptied before and after every case.

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "platform/unique_win32.h"
#include "window_driver.h"

namespace fs = std::filesystem;

namespace {

using ui::ControlId;

const fs::path kX86 = L"C:\\Program Files (x86)";
const fs::path kPlain = L"C:\\Program Files";

fs::path InstallUnder(const fs::path& programFiles) { return programFiles / L"Zorvel Pro"; }
fs::path TutorialsUnder(const fs::path& programFiles) {
    return InstallUnder(programFiles) / L"Tutorials";
}

std::string ContentOf(std::wstring_view name) {
    return "content of " + std::string(name.begin(), name.end()) + "\n";
}

// The old copies named, each holding "content of " and its own name.
void Seed(const fs::path& folder, const std::vector<std::wstring>& names) {
    fs::create_directories(folder);
    for (const std::wstring& name : names) {
        std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << ContentOf(name);
    }
}

std::map<std::wstring, std::string> Contents(const fs::path& folder) {
    std::map<std::wstring, std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().wstring()] = {std::istreambuf_iterator<char>(in), {}};
    }
    return files;
}

// Symbolic links exist only on the Unix side of the prefix; Wine runs Unix
// programs started with CreateProcessW, though it gives no exit code for them.
std::optional<std::string> UnixPathOf(const fs::path& windowsPath) {
    using Convert = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) {
        return std::nullopt;
    }
    char* unixPath = convert(windowsPath.c_str());
    if (unixPath == nullptr) {
        return std::nullopt;
    }
    std::string result = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

bool RunUnix(const std::wstring& program, const std::string& arguments) {
    const std::wstring line = program + L" " + std::wstring(arguments.begin(), arguments.end());
    return driver::StartProgram(program, line).has_value();
}

DWORD AttributeError(const fs::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ? ERROR_SUCCESS
                                                                              : ::GetLastError();
}

void RemoveInstall(const fs::path& programFiles) {
    const fs::path install = InstallUnder(programFiles);
    std::error_code error;
    // Read-only files are left by the error cases; removal needs them writable.
    for (auto it = fs::recursive_directory_iterator(install, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(install, error);
    // A link that resolves to nothing cannot be removed from the Windows side.
    if (AttributeError(install) != ERROR_FILE_NOT_FOUND) {
        if (const auto unixPath = UnixPathOf(install)) {
            RunUnix(L"Z:\\usr\\bin\\rm", "-rf \"" + *unixPath + "\"");
            driver::WaitUntil([&] { return AttributeError(install) == ERROR_FILE_NOT_FOUND; },
                              5000);
        }
    }
    EXPECT_EQ(AttributeError(install), static_cast<DWORD>(ERROR_FILE_NOT_FOUND))
        << "cannot remove " << install.string();
}

// A window of the tool's thread with the given title, such as a message box.
HWND FindThreadWindow(HWND mainWindow, const std::wstring& title) {
    const DWORD thread = ::GetWindowThreadProcessId(mainWindow, nullptr);
    for (HWND window = nullptr;
         (window = ::FindWindowExW(nullptr, window, nullptr, title.c_str())) != nullptr;) {
        if (::GetWindowThreadProcessId(window, nullptr) == thread && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// A running copy of the tool. Whatever a case leaves behind, it ends here.
class Tool {
  public:
    Tool() {
        // Beside this program, as tests/windows/run_tests.cmd finds both.
        std::wstring path(32768, L'\0');
        path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
        path = (fs::path(path).parent_path() / L"ZV_CheckFiles.exe").wstring();
        if (auto started = driver::StartProgram(path, L"\"" + path + L"\"")) {
            process_ = std::move(started->process);
            id_ = started->id;
        }
        EXPECT_TRUE(process_) << "cannot start " << driver::ToUtf8(path) << ": "
                              << ::GetLastError();
    }
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    ~Tool() {
        if (process_ && !ExitCode(0)) {
            if (const HWND window = driver::FindMainWindow(id_)) {
                ::PostMessageW(window, WM_CLOSE, 0, 0);
            }
            if (!ExitCode(10000)) {
                ::TerminateProcess(process_.get(), 1);
                ::WaitForSingleObject(process_.get(), 5000);
            }
        }
    }

    // The window once shown and loaded, or null.
    HWND WaitLoaded() {
        window_ = driver::WaitForMainWindow(30000, id_);
        return window_;
    }
    HWND Window() const { return window_; }
    HWND Control(ControlId id) const { return driver::FindControl(window_, id); }

    std::wstring Status() const {
        return driver::ReadText(Control(ControlId::lblNotify)).value_or(L"<no answer>");
    }

    void Post(ControlId id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        EXPECT_TRUE(::PostMessageW(Control(id), message, wParam, lParam));
    }

    // Presses Begin and returns its run's final status: the button's click,
    // and with it the whole run, is handled inside the sent message.
    std::wstring Run() const {
        EXPECT_TRUE(driver::RunBegin(window_, 30000)) << "the run did not end in time";
        return Status();
    }

    std::optional<std::wstring> WaitFinished() const {
        std::wstring status;
        if (driver::WaitUntil([&] { return driver::IsFinalStatus(status = Status()); }, 60000)) {
            return status;
        }
        return std::nullopt;
    }

    std::optional<DWORD> ExitCode(DWORD waitMs) const {
        DWORD code = 0;
        if (::WaitForSingleObject(process_.get(), waitMs) != WAIT_OBJECT_0 ||
            !::GetExitCodeProcess(process_.get(), &code)) {
            return std::nullopt;
        }
        return code;
    }

    std::optional<DWORD> CloseAndWait() const { return driver::CloseAndWait(window_, 10000); }

  private:
    platform::UniqueHandle process_;
    DWORD id_ = 0;
    HWND window_ = nullptr;
};

class ToolRun : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { driver::BecomeDpiAware(); }

    void SetUp() override {
        TearDown();
        ASSERT_TRUE(fs::is_directory(kX86)) << "a 64-bit prefix has both Program Files folders";
    }

    void TearDown() override {
        RemoveInstall(kX86);
        RemoveInstall(kPlain);
    }

    const fs::path tutorials_ = TutorialsUnder(kX86);
};

TEST_F(ToolRun, StartsLoadedWritingNothingAndEnterRunsMakingTheMissingFolders) {
    Tool tool;
    ASSERT_NE(tool.WaitLoaded(), nullptr);
    EXPECT_EQ(tool.Status(), L"...standing by");
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(tool.Window(), nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, tool.Control(ControlId::cmdBegin));
    EXPECT_TRUE(::IsWindowEnabled(tool.Control(ControlId::cmdBegin)));
    EXPECT_TRUE(::IsWindowEnabled(tool.Control(ControlId::cmdExit)));
    EXPECT_FALSE(fs::exists(InstallUnder(kX86)));
    EXPECT_FALSE(fs::exists(InstallUnder(kPlain)));

    // Keys are taken in order: Esc does nothing, then Enter presses Begin.
    for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        tool.Post(ControlId::cmdBegin, WM_KEYDOWN, key, 1);
        tool.Post(ControlId::cmdBegin, WM_KEYUP, key, 0xC0000001);
    }
    EXPECT_EQ(tool.WaitFinished(), L"We're Done!");
    EXPECT_TRUE(::IsWindow(tool.Window()));
    // The run made the missing install and Tutorials folders.
    EXPECT_TRUE(fs::is_directory(tutorials_)) << "Enter started a run";
    EXPECT_TRUE(fs::is_empty(tutorials_));

    // Only the Tutorials folder missing.
    fs::remove(tutorials_);
    EXPECT_EQ(tool.Run(), L"We're Done!");
    EXPECT_TRUE(fs::is_directory(tutorials_));
    EXPECT_FALSE(fs::exists(InstallUnder(kPlain)));
    EXPECT_EQ(tool.CloseAndWait(), 0u);
}

TEST_F(ToolRun, MovesTheFirstOldCopyOfEachNameAndASecondRunTheNext) {
    Seed(tutorials_, {L"V3_Zent.avi", L"V4_Zent.avi", L"Brasol.avi", L"V4_Tindel.avi",
                      L"ZV_Tindel.avi", L"notes.txt", L"V3_Orbel_Trasque_Vashen.avi"});
    Tool tool;
    ASSERT_NE(tool.WaitLoaded(), nullptr);

    EXPECT_EQ(tool.Run(), L"We're Done!");
    const std::map<std::wstring, std::string> afterFirst = {
        {L"ZV_Zent.avi", ContentOf(L"V3_Zent.avi")},
        {L"V4_Zent.avi", ContentOf(L"V4_Zent.avi")},
        {L"ZV_Brasol.avi", ContentOf(L"Brasol.avi")},
        {L"ZV_Tindel.avi", ContentOf(L"V4_Tindel.avi")},
        {L"notes.txt", ContentOf(L"notes.txt")},
        {L"ZV_Orbel_Trasque_Vashen.avi", ContentOf(L"V3_Orbel_Trasque_Vashen.avi")},
    };
    EXPECT_EQ(Contents(tutorials_), afterFirst);

    // The V4_ copy, left by the first run, now moves over the new name.
    EXPECT_EQ(tool.Run(), L"We're Done!");
    std::map<std::wstring, std::string> afterSecond = afterFirst;
    afterSecond.erase(L"V4_Zent.avi");
    afterSecond[L"ZV_Zent.avi"] = ContentOf(L"V4_Zent.avi");
    EXPECT_EQ(Contents(tutorials_), afterSecond);
    EXPECT_EQ(tool.CloseAndWait(), 0u);
}

TEST_F(ToolRun, AProbeFailureShowsTheFileExistBoxAndTheRunGoesOn) {
    // A symbolic link to itself: asking for its attributes fails with neither
    // "file not found" nor "path not found".
    const fs::path loop = tutorials_ / L"V3_Brasol.avi";
    Seed(tutorials_, {L"V4_Brasol.avi"});
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
        GTEST_SKIP() << "needs Wine: the loop is a Unix link made by ln, and Windows reads a "
                        "link's own attributes";
    }
    const std::optional<std::string> unixLoop = UnixPathOf(loop);
    ASSERT_TRUE(unixLoop);
    ASSERT_TRUE(RunUnix(L"Z:\\usr\\bin\\ln", "-s V3_Brasol.avi \"" + *unixLoop + "\""));
    ASSERT_TRUE(driver::WaitUntil(
        [&] {
            const DWORD error = AttributeError(loop);
            return error != ERROR_FILE_NOT_FOUND && error != ERROR_SUCCESS;
        },
        5000));

    Tool tool;
    ASSERT_NE(tool.WaitLoaded(), nullptr);
    tool.Post(ControlId::cmdBegin, BM_CLICK);
    HWND box = nullptr;
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return (box = FindThreadWindow(tool.Window(), L"FileExist Error")); }, 10000));
    std::wstring prompt;  // the text of the box's static controls
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        ::GetClassNameW(child, className, 32);
        prompt += _wcsicmp(className, L"Static") == 0 ? driver::ReadText(child).value_or(L"") : L"";
    }
    EXPECT_TRUE(std::regex_match(driver::ToUtf8(prompt), std::regex("-?[0-9]+: .+")))
        << driver::ToUtf8(prompt);
    // Modal: the window takes no clicks while the box waits.
    EXPECT_FALSE(::IsWindowEnabled(tool.Window()));
    EXPECT_EQ(tool.Status(), L"Reading 'Brasol.avi' Tutorial");

    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(tool.WaitFinished(), L"We're Done!");
    EXPECT_EQ(FindThreadWindow(tool.Window(), L"FileExist Error"), nullptr);
    // The failed probe counted as "not there", so the next old copy moved.
    EXPECT_EQ(Contents(tutorials_)[L"ZV_Brasol.avi"], ContentOf(L"V4_Brasol.avi"));
    EXPECT_EQ(tool.CloseAndWait(), 0u);
}

// Closed before any run ended, the program says so to a script: 1602, "cancelled by the user".
TEST_F(ToolRun, TheCloseBoxEndsTheProcessWithExitCode1602) {
    Tool tool;
    ASSERT_NE(tool.WaitLoaded(), nullptr);
    ASSERT_TRUE(::PostMessageW(tool.Window(), WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_EQ(tool.ExitCode(10000), 1602u);
    EXPECT_FALSE(::IsWindow(tool.Window()));
    EXPECT_FALSE(fs::exists(InstallUnder(kX86))) << "ending started a run";
}

// A second copy brings the first to the front and ends with 1618, "already running". One that
// finds the first without a window (ending, or in another session) waits for it a few seconds,
// then opens; if it does not end, the start says so.
TEST_F(ToolRun, ASecondCopyGivesWayToTheFirst) {
    {
        Tool first;
        ASSERT_NE(first.WaitLoaded(), nullptr);
        {
            Tool second;
            EXPECT_EQ(second.ExitCode(10000), 1618u);
        }
        std::size_t windows = 0;
        for (HWND window = nullptr;
             (window = ::FindWindowExW(nullptr, window, L"frmUpdate", nullptr)) != nullptr;) {
            ++windows;
        }
        EXPECT_EQ(windows, 1u);
        EXPECT_FALSE(first.ExitCode(0));
        EXPECT_EQ(first.Status(), L"...standing by");
        EXPECT_EQ(first.Run(), L"We're Done!");
        EXPECT_EQ(first.CloseAndWait(), 0u);
    }
    platform::UniqueHandle ending(
        ::CreateMutexW(nullptr, TRUE, L"Global\\UpdateTutorialPath.ZV_CheckFiles"));
    ASSERT_TRUE(ending);
    {
        Tool waiting;
        ::Sleep(1000);
        EXPECT_EQ(driver::FindMainWindow(), nullptr);
        ::ReleaseMutex(ending.get());
        ASSERT_NE(waiting.WaitLoaded(), nullptr);
        EXPECT_EQ(waiting.CloseAndWait(), 1602u);
    }
    ASSERT_EQ(::WaitForSingleObject(ending.get(), 0), WAIT_OBJECT_0);
    Tool told;
    HWND box = nullptr;
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return (box = ::FindWindowW(L"#32770", L"Update ZorvelPro")) != nullptr; }, 10000));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(told.ExitCode(10000), 1618u);
    ::ReleaseMutex(ending.get());
}

}  // namespace
