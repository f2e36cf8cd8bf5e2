#pragma once

#include <map>
#include <string>

#include "fake_file_system.h"

namespace model {

using Snapshot = std::map<std::wstring, fakes::FakeFileSystem::Node>;

// A failure of every call of one operation on one path.
struct Fault {
    fakes::Op op = fakes::Op::FindFirstEntry;  // Never called by a run: no fault.
    std::wstring path;
    bool stops = false;  // Whether the run stops there or passes it over.
};

// The install root that a run chooses for this layout; a failed probe of the
// selector counts it absent.
std::wstring RootOf(const Snapshot& files, const Fault& fault = {});

struct Outcome {
    Snapshot files;
    std::size_t readings = 0;  // "Reading" texts written, one a tutorial reached.
};

// What one run makes of a layout: the root and its Tutorials folder made where
// the parent exists, then the first old copy of every tutorial moved over its
// new name. A failed probe counts the file absent; a failed copy keeps the old
// copy, a failed delete keeps both. Old copies that are folders, read-only
// files and leftovers of a cut run are not modelled.
Outcome AfterRun(Snapshot files, const Fault& fault = {});

// Consecutive runs without faults.
Snapshot AfterRuns(Snapshot files, int runs = 3);

}  // namespace model
