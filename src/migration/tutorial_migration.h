#pragma once

#include <string>

#include "migration/window_services.h"
#include "platform/desktop.h"
#include "platform/file_system.h"

namespace migration {

struct MigrationServices {
    platform::FileSystem& files;
    platform::Desktop& desktop;
    StatusLine& status;
    WorkProgress* progress = nullptr;
};

// Moves the first old copy of each catalogued tutorial to its "ZV_" name: a
// durable copy, then deletion of the old file. Reports progress, completion or
// the error that stopped it on the status line. Never fails to its caller.
void CheckTutorialFiles(const MigrationServices& services);

// The status text after a failure that stopped a run: the text it had, two
// blanks, the error's number, ": " and its description.
std::wstring WithErrorReport(const std::wstring& status, const platform::RuntimeError& failure);

}  // namespace migration
