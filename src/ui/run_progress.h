#pragma once

// What the taskbar button shows of a run, decided apart from the taskbar: tested on any host.

#include <algorithm>
#include <cstdint>

#include "migration/tutorial_migration.h"

namespace ui {

enum class ProgressState { None, Normal, Error };

class RunProgress {
  public:
    // A run begins that will move totalBytes, when copies have written copiedBytes in all.
    void Start(std::uint64_t copiedBytes, std::uint64_t totalBytes) {
        start_ = copiedBytes;
        total_ = totalBytes;
        moved_ = 0;
        state_ = totalBytes != 0 ? ProgressState::Normal : ProgressState::None;
    }

    // Bytes copied by then, in all.
    void Update(std::uint64_t copiedBytes) {
        if (state_ == ProgressState::Normal) {
            moved_ = std::min(copiedBytes - start_, total_);
        }
    }

    // A failed run shows as such, where it stopped, until the next run starts.
    void Finish(migration::RunEnd end) {
        state_ = end == migration::RunEnd::Failed ? ProgressState::Error : ProgressState::None;
        if (state_ == ProgressState::Error && total_ == 0) {
            moved_ = total_ = 1;
        }
    }

    ProgressState State() const { return state_; }
    std::uint64_t Moved() const { return moved_; }
    std::uint64_t Total() const { return total_; }

  private:
    ProgressState state_ = ProgressState::None;
    std::uint64_t start_ = 0;
    std::uint64_t moved_ = 0;
    std::uint64_t total_ = 0;
};

}  // namespace ui
