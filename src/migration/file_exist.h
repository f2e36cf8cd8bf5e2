#pragma once

#include <string>

#include "platform/desktop.h"
#include "platform/file_system.h"

namespace migration {

// The probe's answer; Empty: it met an unexpected error and reported it (callers count false).
enum class ProbeResult { Empty, True, False };

constexpr bool IsTrue(ProbeResult result) { return result == ProbeResult::True; }

// Does the path name an existing file or folder? Any error but "not found" is shown in a box.
ProbeResult FileExist(const std::wstring& path, platform::FileSystem& files,
                      platform::Desktop& desktop);

}  // namespace migration
