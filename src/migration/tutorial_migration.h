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
    // Shows, where the line shows its whole text, what the system said of the
    // failure that the text reports; the next Write drops it.
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

// Moves the first old copy of each catalogued tutorial to its "ZV_" name: a
// durable copy, then deletion of the old file. Reports progress, completion or
// the error that stopped it on the status line. Never fails to its caller.
void CheckTutorialFiles(const MigrationServices& services);

// The status text after a failure that stopped a run: the text it had, two
// blanks, the error's number, ": " and its description.
std::wstring WithErrorReport(const std::wstring& status, const platform::RuntimeError& failure);

}  // namespace migration
