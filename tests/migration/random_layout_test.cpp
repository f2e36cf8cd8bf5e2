// Random layouts of old and new tutorial files, each run with one random fault.
// They include missing Program Files folders and install folders already made,
// whose failures (76, 75) a run passes over.

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "fake_window.h"
#include "migration/catalogue.h"

namespace {

using fakes::FakeFileSystem;
using fakes::Op;

// What a run should do, modelled apart from the run's code.
namespace model {

using Snapshot = std::map<std::wstring, FakeFileSystem::Node>;

// A failure of every call of one operation on one path.
struct Fault {
    Op op = Op::FindFirstEntry;  // Never called by a run: no fault.
    std::wstring path;
    bool stops = false;  // Whether the run stops there or passes it over.
};

// The install root that a run chooses for this layout; a failed probe of the
// selector counts it absent.
std::wstring RootOf(const Snapshot& files, const Fault& fault = {}) {
    const std::wstring selector(migration::kRootSelector);
    const bool seen =
        files.contains(selector) && !(fault.op == Op::QueryLength && fault.path == selector);
    return std::wstring(seen ? migration::kRootWhenSelectorExists : migration::kRootOtherwise);
}

struct Outcome {
    Snapshot files;
    std::size_t readings = 0;  // "Reading" texts written, one a tutorial reached.
};

std::wstring Join(std::wstring left, std::wstring_view middle, std::wstring_view right = {}) {
    return left.append(middle).append(right);
}

// What one run makes of a layout: the root and its Tutorials folder made where
// the parent exists, then the first old copy of every tutorial moved over its
// new name. A failed probe counts the file absent; a failed copy keeps the old
// copy, a failed delete keeps both. Old copies that are folders, read-only
// files and leftovers of a cut run are not modelled.
Outcome AfterRun(Snapshot files, const Fault& fault = {}) {
    const auto fails = [&fault](Op op, const std::wstring& path) {
        return fault.op == op && fault.path == path;
    };
    const std::wstring root = RootOf(files, fault);
    for (const auto& folder : {root, Join(root, migration::kTutorialsFolder)}) {
        if (fails(Op::MakeFolder, folder)) {
            if (fault.stops) return {files, 0};
        } else if (const auto parent = folder.substr(0, folder.rfind(L'\\'));
                   !files.contains(folder) &&
                   (parent == L"C:" || (files.contains(parent) && files.at(parent).folder))) {
            files[folder].folder = true;
        }
    }
    std::size_t readings = 0;
    for (const auto name : migration::kTutorialCatalogue) {
        ++readings;
        // A leftover that cannot go stays for the next run: nothing stops.
        const std::wstring newName = Join(root, migration::kNewNamePrefix, name);
        for (const auto prefix : migration::kLegacyPrefixes) {
            const std::wstring oldName = Join(root, prefix, name);
            const auto old = files.find(oldName);
            if (old == files.end() || fails(Op::QueryLength, oldName)) continue;
            const bool copyFails = fails(Op::CopyReplacing, oldName);
            const bool removeFails = !copyFails && fails(Op::RemoveFile, oldName);
            if (!copyFails) files[newName] = {false, old->second.content};
            if (!copyFails && !removeFails) files.erase(oldName);
            if ((copyFails || removeFails) && fault.stops) return {files, readings};
            break;
        }
    }
    return {files, readings};
}

}  // namespace model

constexpr int kLayouts = 2000;
const wchar_t* const kSlots[] = {L"\\Tutorials\\V3_", L"\\Tutorials\\V4_", L"\\Tutorials\\",
                                 L"\\Tutorials\\ZV_"};
constexpr int kNewSlot = 3;

std::wstring PathOf(const std::wstring& root, int slot, std::wstring_view name) {
    return root + kSlots[slot] + std::wstring(name);
}

// Every file has its own content, so that a content tells where it came from.
FakeFileSystem RandomLayout(std::mt19937& rng) {
    auto chance = [&rng](double p) { return std::bernoulli_distribution(p)(rng); };
    FakeFileSystem files;
    if (chance(0.5)) files.AddFolder(L"C:\\Program Files (x86)");
    if (chance(0.8)) files.AddFolder(L"C:\\Program Files");
    const std::wstring root = model::RootOf(files.Nodes());
    // An old copy under the root not chosen stays put. (One under the x86 root
    // would make that root the chosen one.)
    if (files.Has(L"C:\\Program Files (x86)") && chance(0.2)) {
        files.AddFile(L"C:\\Program Files\\Zorvel Pro\\Tutorials\\V3_Zent.avi", "elsewhere");
    }
    if (!files.Has(root.substr(0, root.rfind(L'\\'))) || chance(0.1)) return files;
    if (chance(0.1)) {
        files.AddFolder(chance(0.5) ? root : root + L"\\Tutorials");
        return files;
    }
    int serial = 0;
    for (const auto name : migration::kTutorialCatalogue) {
        for (int slot = 0; slot < 4; ++slot) {
            if (chance(0.35)) files.AddFile(PathOf(root, slot, name), std::to_string(serial++));
        }
    }
    files.AddFolder(root + L"\\Tutorials");
    return files;
}

// A fault on one path of the run, aimed mostly at old copies that are there.
FakeFileSystem::Fault RandomFault(std::mt19937& rng, const model::Snapshot& files) {
    auto pick = [&rng](int below) { return std::uniform_int_distribution<>(0, below - 1)(rng); };
    const std::wstring root = model::RootOf(files);
    static const Op kOps[] = {Op::QueryLength, Op::MakeFolder, Op::CopyReplacing, Op::RemoveFile,
                              Op::DiscardLeftovers};
    const Op op = kOps[pick(5)];
    std::wstring path;
    if (op == Op::MakeFolder) {
        path = pick(2) ? root : root + L"\\Tutorials";
    } else if (op == Op::QueryLength && pick(10) == 0) {
        path = migration::kRootSelector;
    } else {
        const auto name = migration::kTutorialCatalogue[pick(15)];
        path = PathOf(root, pick(op == Op::DiscardLeftovers ? 4 : 3), name);
        for (int slot = 0; slot < kNewSlot && op != Op::DiscardLeftovers; ++slot) {
            if (files.contains(PathOf(root, slot, name)) && pick(4)) {
                path = PathOf(root, slot, name);
                break;
            }
        }
    }
    static const std::int32_t kNumbers[] = {53, 61, 70, 75, 76, 57, 5, -1};
    const std::int32_t number = kNumbers[pick(6) == 5 ? 5 + pick(3) : pick(5)];
    return {op, number, path};
}

void CheckOneLayout(std::uint32_t seed) {
    std::mt19937 rng(seed);
    FakeFileSystem files = RandomLayout(rng);
    const FakeFileSystem::Fault fault = RandomFault(rng, files.Nodes());
    files.Inject(fault);
    const model::Snapshot before = files.Nodes();
    const std::wstring root = model::RootOf(before, {fault.op, fault.path});
    fakes::FakeWindow run;
    run.Run(files);
    const model::Snapshot& after = files.Nodes();

    // Each tutorial's old copies survive, moved or not (the model below says where).
    for (const auto name : migration::kTutorialCatalogue) {
        std::multiset<std::string> now;
        for (int slot = 0; slot < 4; ++slot) {
            if (const auto file = after.find(PathOf(root, slot, name)); file != after.end()) {
                now.insert(file->second.content);
            }
        }
        for (int slot = 0; slot < kNewSlot; ++slot) {
            if (const auto file = before.find(PathOf(root, slot, name)); file != before.end()) {
                EXPECT_TRUE(now.contains(file->second.content))
                    << "lost the content of " << PathOf(root, slot, name);
            }
        }
    }

    // A failure of a run step other than a passed-over 75 or 76, or a leftover
    // left for the next run, stops the run and is reported; a probe's failure
    // other than 53 is shown in a box instead.
    std::vector<platform::RuntimeError> stops;
    std::vector<fakes::ShownBox> boxes;
    for (const auto& failure : files.Failures()) {
        const std::int32_t n = failure.error.number;
        const std::wstring text = std::to_wstring(n) + L": " + failure.error.description;
        if (failure.op == Op::QueryLength || failure.op == Op::FindFirstEntry) {
            if (n != 53) boxes.push_back({text, 0, L"FileExist Error"});
        } else if (n != 75 && n != 76 && failure.op != Op::DiscardLeftovers) {
            stops.push_back(failure.error);
        }
    }
    EXPECT_EQ(run.desktop.boxes, boxes);
    EXPECT_LE(stops.size(), 1u);
    const model::Outcome expected = model::AfterRun(before, {fault.op, fault.path, !stops.empty()});
    EXPECT_EQ(after, expected.files);
    // A "Reading" text for each tutorial reached, then the outcome.
    const auto& writes = run.status.writes;
    ASSERT_EQ(writes.size(), expected.readings + 1);
    for (std::size_t i = 0; i < expected.readings; ++i) {
        EXPECT_EQ(writes[i], fakes::Reading(migration::kTutorialCatalogue[i]));
    }
    if (stops.empty()) {
        EXPECT_EQ(writes.back(), L"We're Done!");
        EXPECT_EQ(run.status.cause, L"");
    } else {
        const std::wstring earlier =
            writes.size() > 1 ? writes[writes.size() - 2] : L"...standing by";
        EXPECT_EQ(writes.back(), earlier + L"  " + std::to_wstring(stops[0].number) + L": " +
                                     stops[0].description);
        EXPECT_EQ(run.status.cause, stops[0].cause);
    }
    EXPECT_EQ(run.desktop.pointers, fakes::kHourglassThenDefault);

    // Runs without faults finish the job.
    model::Snapshot expectedAgain = after;
    files.ClearFaults();
    for (int again = 0; again < 3; ++again) {
        EXPECT_EQ(fakes::FakeWindow().Run(files).status.Read(), L"We're Done!");
        expectedAgain = model::AfterRun(std::move(expectedAgain)).files;
    }
    EXPECT_EQ(files.Nodes(), expectedAgain);
}

TEST(RandomLayout, EveryTutorialSurvivesAnyOneFault) {
    std::uint32_t base = 20240611;
    if (const char* chosen = std::getenv("MIGRATION_SEED")) base = std::stoul(chosen);
    for (int i = 0; i < kLayouts && !testing::Test::HasFailure(); ++i) {
        const std::uint32_t seed = base + i;
        SCOPED_TRACE("seed " + std::to_string(seed) + " (MIGRATION_SEED=" + std::to_string(seed) +
                     " starts there)");
        CheckOneLayout(seed);
    }
}

}  // namespace
