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
    // Replaces the whole text.
    virtual void Write(const std::wstring& text) = 0;
    // Returns exactly what was last written.
    virtual std::wstring Read() const = 0;
    // Adds the reported failure's cause where the whole text shows; the next Write drops it.
    virtual void Explain(const std::wstring& cause) { static_cast<void>(cause); }
};

// Where the system shows the progress of long work (the taskbar button).
class WorkProgress {
  public:
    virtual ~WorkProgress() = default;
    // A run that will move this many bytes begins.
    virtual void Start(std::uint64_t totalBytes) = 0;
    virtual void Finish() = 0;
};

struct MigrationServices {
    platform::FileSystem& files;
    platform::Desktop& desktop;
    StatusLine& status;
    WorkProgress* progress = nullptr;
};

// Moves the first old copy of each tutorial to its "ZV_" name (a durable copy, then deletion),
// reporting progress, completion or the stopping error on the status line. Never fails.
void CheckTutorialFiles(const MigrationServices& services);

// A stopped run's status: its last text, two blanks, the number, ": " and the description.
std::wstring WithErrorReport(const std::wstring& status, const platform::RuntimeError& failure);

}  // namespace migration
