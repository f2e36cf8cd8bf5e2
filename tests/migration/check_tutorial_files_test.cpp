#include "migration/tutorial_migration.h"

#include <cstdint>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "fake_window.h"

namespace {

using fakes::FakeFileSystem;
using fakes::Op;
using fakes::Reading;

// Spelt out rather than taken from the catalogue, so that a misspelt constant shows.
const std::vector<std::wstring> kNames = {
    L"Brasol.avi",      L"Tindel.avi",        L"Mavrek.avi",
    L"KesselFasks.avi", L"DornFask.avi",      L"WimbleFasks.avi",
    L"Zent.avi",        L"HalvoMosk.avi",     L"GrenMosk.avi",
    L"PrevaMosk.avi",   L"CorlyVashen.avi",   L"Stalver.avi",
    L"Orbel_Finks.avi", L"Orbel_Trasque.avi", L"Orbel_Trasque_Vashen.avi",
};
const std::wstring kX86 = L"C:\\Program Files (x86)";
const std::wstring kRoot = L"C:\\Program Files (x86)\\Zorvel Pro";
const std::wstring kOtherRoot = L"C:\\Program Files\\Zorvel Pro";
const std::wstring kTut = kRoot + L"\\Tutorials\\";
const std::wstring kDone = L"We're Done!";

class RunTest : public testing::Test, public fakes::FakeWindow {
  protected:
    void Run() { FakeWindow::Run(files); }
    // Every status text but the final one was a "Reading" text, in catalogue order.
    void ExpectWritesThenFinal(std::size_t readings, const std::wstring& final) {
        std::vector<std::wstring> expected;
        for (std::size_t i = 0; i < readings; ++i) expected.push_back(Reading(kNames[i]));
        expected.push_back(final);
        EXPECT_EQ(status.writes, expected);
    }
    void ExpectPointerOnThenOff() { EXPECT_EQ(desktop.pointers, fakes::kHourglassThenDefault); }

    FakeFileSystem files;
};

// --- Root choice and folder steps ---

TEST_F(RunTest, NothingInstalledUnderX86MakesEmptyTutorialsAndProbesEveryOldName) {
    files.AddFolder(kX86);
    Run();

    std::vector<std::wstring> probed = {kX86};
    for (const auto& name : kNames) {
        for (const auto* prefix : {L"V3_", L"V4_", L""}) probed.push_back(kTut + prefix + name);
    }
    EXPECT_EQ(files.Paths(Op::QueryLength), probed)
        << "old names in order; the new name never probed";
    EXPECT_EQ(files.Paths(Op::MakeFolder),
              (std::vector<std::wstring>{kRoot, kRoot + L"\\Tutorials"}));
    EXPECT_EQ(files.Nodes().size(), 3u);
    EXPECT_TRUE(files.Has(kRoot + L"\\Tutorials"));
    ExpectWritesThenFinal(15, kDone);
    ExpectPointerOnThenOff();
    EXPECT_EQ(desktop.passes, 15);
    EXPECT_TRUE(desktop.boxes.empty());
}

TEST_F(RunTest, WithoutX86TheRootIsUnderProgramFiles) {
    files.AddFolder(L"C:\\Program Files");
    files.AddFile(kOtherRoot + L"\\Tutorials\\V4_Zent.avi", "zent");
    Run();

    EXPECT_EQ(files.Paths(Op::MakeFolder),
              (std::vector<std::wstring>{kOtherRoot, kOtherRoot + L"\\Tutorials"}));
    EXPECT_EQ(files.Content(kOtherRoot + L"\\Tutorials\\ZV_Zent.avi"), "zent");
    EXPECT_FALSE(files.Has(kOtherRoot + L"\\Tutorials\\V4_Zent.avi"));
    EXPECT_FALSE(files.Has(kRoot));
    ExpectWritesThenFinal(15, kDone);
}

// --- Moving ---

TEST_F(RunTest, RepeatedRunsMoveOneOldCopyEach) {
    files.AddFile(kTut + L"V3_Zent.avi", "v3");
    files.AddFile(kTut + L"V4_Zent.avi", "v4");
    files.AddFile(kTut + L"Zent.avi", "bare");
    files.AddFile(kTut + L"ZV_Zent.avi", "older");
    files.AddFile(kTut + L"Stalver.avi", "stalver");
    // What a run cut short left behind goes at once, and never as a tutorial.
    files.AddFile(kTut + L"ZV_Zent.avi.copying", "part of v3");
    files.AddFile(kTut + L"V4_Stalver.avi.deleting", "stalver");

    const std::vector<std::vector<std::wstring>> left = {
        {L"V4_Zent.avi", L"ZV_Stalver.avi", L"ZV_Zent.avi", L"Zent.avi"},
        {L"ZV_Stalver.avi", L"ZV_Zent.avi", L"Zent.avi"},
        {L"ZV_Stalver.avi", L"ZV_Zent.avi"},
        {L"ZV_Stalver.avi", L"ZV_Zent.avi"},
    };
    const char* zv[] = {"v3", "v4", "bare", "bare"};
    for (std::size_t run = 0; run < left.size(); ++run) {
        SCOPED_TRACE(run + 1);
        status.writes.clear();
        Run();
        std::vector<std::wstring> names;
        for (const auto& [path, node] : files.Nodes()) {
            if (!node.folder) names.push_back(path.substr(kTut.size()));
        }
        EXPECT_EQ(names, left[run]);
        EXPECT_EQ(files.Content(kTut + L"ZV_Zent.avi"), zv[run]);
        EXPECT_EQ(files.Content(kTut + L"ZV_Stalver.avi"), "stalver");
        ExpectWritesThenFinal(15, kDone);
    }
}

// The taskbar's total is what the run will move, the first old copy of each tutorial.
TEST_F(RunTest, TheTotalIsWhatMoves) {
    files.AddFile(kTut + L"V3_Brasol.avi", "12345");
    files.AddFile(kTut + L"V4_Brasol.avi", "stays for the next run");
    files.AddFile(kTut + L"Zent.avi", "123");
    watchProgress = true;
    Run();

    EXPECT_EQ(progress.log, (std::vector<std::wstring>{L"Start 8", L"Done"}));
    EXPECT_EQ(files.Content(kTut + L"ZV_Brasol.avi"), "12345");
    EXPECT_EQ(files.Content(kTut + L"ZV_Zent.avi"), "123");
    ExpectWritesThenFinal(15, kDone);
    ExpectPointerOnThenOff();
}

// A fault of the program itself stops the run with a report of its own kind.
TEST_F(RunTest, AnExceptionStopsTheRunWithAReport) {
    struct ThrowingFiles : FakeFileSystem {
        std::exception_ptr thrown;
        platform::Result<void> RemoveFile(const std::wstring&) override {
            std::rethrow_exception(thrown);
        }
    };
    const std::pair<std::exception_ptr, std::wstring> cases[] = {
        {std::make_exception_ptr(std::runtime_error("broken")), L"51: Internal error"},
        {std::make_exception_ptr(std::bad_alloc()), L"7: Out of memory"},
    };
    for (const auto& [thrown, report] : cases) {
        ThrowingFiles throwing;
        throwing.thrown = thrown;
        throwing.AddFile(kTut + L"Zent.avi", "zent");
        fakes::FakeWindow window;
        window.watchProgress = true;
        window.Run(throwing);
        EXPECT_EQ(window.status.Read(), Reading(L"Zent.avi") + L"  " + report);
        EXPECT_EQ(window.progress.log.back(), L"Failed " + report.substr(0, report.find(L':')));
        EXPECT_EQ(window.desktop.pointers, fakes::kHourglassThenDefault);
        EXPECT_EQ(throwing.Content(kTut + L"Zent.avi"), "zent");
    }
}

// --- Events during the run ---

// The pass may change the folder (the user, another program): each tutorial is
// looked for after its pass. Closing the window stops the run at once.
TEST_F(RunTest, AnEventPassMayChangeTheFilesOrCloseTheWindow) {
    files.AddFile(kTut + L"V3_Brasol.avi", "brasol v3");
    files.AddFile(kTut + L"V4_Brasol.avi", "brasol v4");
    files.AddFile(kTut + L"Zent.avi", "zent");
    desktop.onEvents = [this](int pass) {
        if (pass == 0) files.RemoveFile(kTut + L"V3_Brasol.avi").ok();
        return pass != 6;
    };
    watchProgress = true;
    Run();

    EXPECT_EQ(files.Content(kTut + L"ZV_Brasol.avi"), "brasol v4");
    EXPECT_FALSE(files.Has(kTut + L"V4_Brasol.avi"));
    EXPECT_EQ(files.Content(kTut + L"Zent.avi"), "zent");
    EXPECT_FALSE(files.Has(kTut + L"ZV_Zent.avi"));
    EXPECT_EQ(files.Calls().back().path, kTut + L"WimbleFasks.avi")
        << "no file touched after the pass";
    std::vector<std::wstring> expected;
    for (int i = 0; i <= 6; ++i) expected.push_back(Reading(kNames[i]));
    EXPECT_EQ(status.writes, expected);
    EXPECT_EQ(progress.log.back(), L"Abandoned");
    ExpectPointerOnThenOff();
}

}  // namespace
