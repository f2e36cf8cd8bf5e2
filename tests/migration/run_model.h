#pragma once

#include <map>
#include <string>

#include "fake_file_system.h"

namespace model {

using Snapshot = std::map<std::wstring, fakes::FakeFileSystem::Node>;

// The install root that a run chooses for this layout.
std::wstring RootOf(const Snapshot& files);

// What consecutive runs without faults make of a layout: the root and its
// Tutorials folder made where the parent exists, then in each run the first old
// copy of every tutorial moved over its new name. Old copies that are folders
// and read-only files are not modelled.
Snapshot AfterRuns(Snapshot files, int runs = 3);

}  // namespace model
