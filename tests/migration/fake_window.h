#pragma once

#include <cstdint>
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
    void Write(const std::wstring& text, const std::wstring& why) override {
        writes.push_back(text_ = text);
        cause = why;
    }
    std::wstring Read() const override { return text_; }

    std::vector<std::wstring> writes;
    std::wstring cause;

  private:
    std::wstring text_ = L"...standing by";
};

// "Start TOTAL", then "Done", "Failed NUMBER" or "Abandoned".
class FakeProgress : public migration::WorkProgress {
  public:
    void Start(std::uint64_t totalBytes) override {
        log.push_back(L"Start " + std::to_wstring(totalBytes));
    }
    void Finish(migration::RunEnd end, std::int32_t errorNumber) override {
        log.push_back(end == migration::RunEnd::Done     ? L"Done"
                      : end == migration::RunEnd::Failed ? L"Failed " + std::to_wstring(errorNumber)
                                                         : L"Abandoned");
    }

    std::vector<std::wstring> log;
};

// The window's side of a run: what it shows, with the run itself. Watched, the progress
// costs the run a first pass of probes.
struct FakeWindow {
    const FakeWindow& Run(platform::FileSystem& files) {
        migration::CheckTutorialFiles(
            {files, desktop, status, watchProgress ? &progress : nullptr});
        return *this;
    }
    FakeDesktop desktop;
    FakeStatusLine status;
    FakeProgress progress;
    bool watchProgress = false;
};

// A run's pointer: the hourglass from its start, the default one at its end, whatever the end.
inline const std::vector<int> kHourglassThenDefault = {platform::kPointerHourglass,
                                                       platform::kPointerDefault};

inline std::wstring Reading(std::wstring_view name) {
    return L"Reading '" + std::wstring(name) + L"' Tutorial";
}

}  // namespace fakes
