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
        state_ = totalBytes != 0 ? ProgressState::Normal : ProgressState::None;
        start_ = copiedBytes;
        moved_ = 0;
        total_ = totalBytes;
    }
    // Bytes copied by now, in all.
    void Update(std::uint64_t copiedBytes) {
        moved_ = state_ == ProgressState::Normal ? std::min(copiedBytes - start_, total_) : moved_;
    }
    // A failed run shows where it stopped (full if nothing was to move) until the next run.
    void Finish(migration::RunEnd end) {
        state_ = end == migration::RunEnd::Failed ? ProgressState::Error : ProgressState::None;
        moved_ = total_ == 0 ? 1 : moved_;
        total_ = total_ == 0 ? 1 : total_;
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
