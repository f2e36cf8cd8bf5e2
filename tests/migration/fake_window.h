#pragma once

#include <functional>
#include <string>
#include <vector>

#include "migration/tutorial_migration.h"
#include "platform/desktop.h"

namespace fakes {

struct ShownBox {
    std::wstring prompt;
    int buttonsCode;
    std::wstring title;
    friend bool operator==(const ShownBox&, const ShownBox&) = default;
};

class FakeDesktop : public platform::Desktop {
  public:
    void ShowMessageBox(const std::wstring& prompt, int buttonsCode,
                        const std::wstring& title) override {
        boxes.push_back({prompt, buttonsCode, title});
    }
    // Runs onEvents with the pass number, counted from 0; its answer false
    // stands for the window having been closed during the pass.
    bool ProcessPendingEvents() override {
        const int pass = passes++;
        return onEvents ? onEvents(pass) : true;
    }
    void SetMousePointer(int code) override { pointers.push_back(code); }

    std::vector<ShownBox> boxes;
    std::function<bool(int)> onEvents;
    int passes = 0;
    std::vector<int> pointers;
};

class FakeStatusLine : public migration::StatusLine {
  public:
    void Write(const std::wstring& text) override { writes.push_back(text_ = text); }
    std::wstring Read() const override { return text_; }

    std::vector<std::wstring> writes;

  private:
    std::wstring text_ = L"...standing by";
};

// The window's side of a run: what it shows, with the run itself.
struct FakeWindow {
    const FakeWindow& Run(platform::FileSystem& files) {
        migration::CheckTutorialFiles({files, desktop, status});
        return *this;
    }
    FakeDesktop desktop;
    FakeStatusLine status;
};

// A run's pointer: the hourglass from its start, the default one at its end, whatever the end.
inline const std::vector<int> kHourglassThenDefault = {platform::kPointerHourglass,
                                                       platform::kPointerDefault};

inline std::wstring Reading(std::wstring_view name) {
    return L"Reading '" + std::wstring(name) + L"' Tutorial";
}

}  // namespace fakes
