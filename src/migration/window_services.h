#pragma once

#include <cstdint>
#include <string>

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

}  // namespace migration
