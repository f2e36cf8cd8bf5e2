#include "migration/file_exist.h"

#include <functional>
#include <ostream>

#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "fake_window.h"

namespace {

using fakes::FakeFileSystem;
using fakes::Op;
using migration::ProbeResult;

struct ProbeCase {
    const char* name;
    std::wstring path;
    std::function<void(FakeFileSystem&)> arrange;
    ProbeResult expected;
    std::wstring prompt = {};  // Of the message box; empty when none is shown.
    std::wstring listed = {};  // The listing pattern; empty when nothing is listed.
};

std::function<void(FakeFileSystem&)> FailQuery(int number) {
    return [number](FakeFileSystem& fs) { fs.Inject({Op::QueryLength, number}); };
}

// A drive root whose length query answers negative, so the probe lists it.
std::function<void(FakeFileSystem&)> ListedDrive(std::function<void(FakeFileSystem&)> more) {
    return [more](FakeFileSystem& fs) {
        fs.SetLength(L"D:\\", -1);
        fs.AddFile(L"C:\\elsewhere.txt", "x");
        if (more) more(fs);
    };
}

const ProbeCase kCases[] = {
    {"File", L"C:\\T\\Zent.avi", [](auto& fs) { fs.AddFile(L"C:\\T\\Zent.avi", "abc"); },
     ProbeResult::True},
    {"EmptyFile", L"C:\\T\\Zent.avi", [](auto& fs) { fs.AddFile(L"C:\\T\\Zent.avi", ""); },
     ProbeResult::True},
    {"FolderWithoutTrailingBackslash", L"C:\\Program Files (x86)",
     [](auto& fs) { fs.AddFolder(L"C:\\Program Files (x86)"); }, ProbeResult::True},
    {"NothingOfThatName", L"C:\\T\\Zent.avi", [](auto& fs) { fs.AddFolder(L"C:\\T"); },
     ProbeResult::False},
    {"ParentMissing", L"C:\\Nowhere\\Zent.avi", nullptr, ProbeResult::False},
    {"QueryFails75", L"C:\\a", FailQuery(75), ProbeResult::Empty, L"75: Path/File access error"},
    {"QueryFails76", L"C:\\a", FailQuery(76), ProbeResult::Empty, L"76: Path not found"},
    {"QueryFails70", L"C:\\a", FailQuery(70), ProbeResult::Empty, L"70: Permission denied"},
    {"QueryFailsNegativeNumber", L"C:\\a", FailQuery(-1), ProbeResult::Empty,
     L"-1: Application-defined error"},
    {"NegativeLength", L"C:\\Big.avi", [](auto& fs) { fs.SetLength(L"C:\\Big.avi", -1); },
     ProbeResult::False},
    {"NegativeLengthColonOnly", L"C:", [](auto& fs) { fs.SetLength(L"C:", -1); },
     ProbeResult::False},
    {"NegativeLengthOneCharacter", L"\\", [](auto& fs) { fs.SetLength(L"\\", -1); },
     ProbeResult::False},
    {"NegativeLengthEmptyPath", L"", [](auto& fs) { fs.SetLength(L"", -1); }, ProbeResult::False},
    {"DriveRootWithFile", L"D:\\", ListedDrive([](auto& fs) { fs.AddFile(L"D:\\a", "1"); }),
     ProbeResult::True, L"", L"D:\\*.*"},
    {"DriveRootWithOnlyFolder", L"D:\\", ListedDrive([](auto& fs) { fs.AddFolder(L"D:\\Sub"); }),
     ProbeResult::True, L"", L"D:\\*.*"},
    {"EmptyDriveRoot", L"D:\\", ListedDrive(nullptr), ProbeResult::False, L"", L"D:\\*.*"},
    {"DriveRootNotFound", L"D:\\", nullptr, ProbeResult::False},
    {"DriveRootQueryFails71", L"D:\\", FailQuery(71), ProbeResult::Empty, L"71: Disk not ready"},
    {"ListingFails53", L"D:\\", ListedDrive([](auto& fs) {
         fs.Inject({Op::FindFirstEntry, 53});
     }),
     ProbeResult::False, L"", L"D:\\*.*"},
    {"ListingFails76", L"D:\\", ListedDrive([](auto& fs) {
         fs.Inject({Op::FindFirstEntry, 76});
     }),
     ProbeResult::Empty, L"76: Path not found", L"D:\\*.*"},
};

void PrintTo(const ProbeCase& c, std::ostream* out) { *out << c.name; }

class FileExistTest : public testing::TestWithParam<ProbeCase> {};

TEST_P(FileExistTest, AnswersAndReports) {
    const ProbeCase& c = GetParam();
    FakeFileSystem files;
    fakes::FakeDesktop desktop;
    if (c.arrange) c.arrange(files);
    const auto before = files.Nodes();

    EXPECT_EQ(migration::FileExist(c.path, files, desktop), c.expected);

    std::vector<fakes::ShownBox> boxes;
    if (!c.prompt.empty()) boxes.push_back({c.prompt, 0, L"FileExist Error"});
    EXPECT_EQ(desktop.boxes, boxes);
    EXPECT_EQ(files.Paths(Op::FindFirstEntry),
              c.listed.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.listed});
    EXPECT_EQ(files.Nodes(), before) << "the probe must change nothing";
    EXPECT_EQ(desktop.passes, 0);
}

INSTANTIATE_TEST_SUITE_P(Probe, FileExistTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
