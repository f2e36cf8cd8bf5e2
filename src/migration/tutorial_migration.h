#pragma once

#include <cstdint>
#include <string>

#include "platform/desktop.h"
#include "platform/file_system.h"

namespace migration {

// The status line of the main window, as the run sees it.
class StatusLine {
  public:
    virtual ~StatusLine() = default;
    // Replaces the whole text; a failure's report comes with its cause, in the system's words.
    virtual void Write(const std::wstring& text, const std::wstring& cause) = 0;
    // Returns exactly what was last written.
    virtual std::wstring Read() const = 0;
};

// How a run ended: "We're Done!", stopped by an error, or left when the window was closed.
enum class RunEnd { Done, Failed, Abandoned };

// Where the system shows the progress of long work (the taskbar button).
class WorkProgress {
  public:
    virtual ~WorkProgress() = default;
    // A run that will move this many bytes begins.
    virtual void Start(std::uint64_t totalBytes) = 0;
    // Every run ends here once; a failed one with the number of the error that stopped it.
    virtual void Finish(RunEnd end, std::int32_t errorNumber) = 0;
};

struct MigrationServices {
    platform::FileSystem& files;
    platform::Desktop& desktop;
    StatusLine& status;
    WorkProgress* progress = nullptr;
};

// Moves each tutorial's first old copy to its "ZV_" name; never fails, reports on the status line.
void CheckTutorialFiles(const MigrationServices& services);

// A stopped run's status: its last text, two blanks, the number, ": " and the description.
std::wstring WithErrorReport(const std::wstring& status, const platform::RuntimeError& failure);

}  // namespace migration
