#pragma once

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
};

// The application-wide hourglass.
class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void On() = 0;
    virtual void Off() = 0;
};

}  // namespace migration
