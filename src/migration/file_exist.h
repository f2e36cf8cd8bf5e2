#pragma once

#include <string>

#include "platform/desktop.h"
#include "platform/file_system.h"

namespace migration {

// The answer of the probe. Empty means that the probe met an unexpected error
// and reported it; callers count it as false.
enum class ProbeResult { Empty, True, False };

constexpr bool IsTrue(ProbeResult result) { return result == ProbeResult::True; }

// Does the path name an existing file or folder? Never fails: "not found" is
// answered with False, any other error is shown in a message box and gives Empty.
ProbeResult FileExist(const std::wstring& path, platform::FileSystem& files,
                      platform::Desktop& desktop);

}  // namespace migration
