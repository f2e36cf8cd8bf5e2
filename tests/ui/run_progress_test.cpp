// What the taskbar button shows of a run; the taskbar itself is the shell's, which Wine lacks.

#include "ui/run_progress.h"

#include <gtest/gtest.h>

namespace {

using migration::RunEnd;
using ui::ProgressState;

TEST(RunProgress, ShowsTheRunsOwnBytesAndAFailureUntilTheNextRun) {
    ui::RunProgress progress;
    // Earlier runs copied 7000 bytes: this one counts from there.
    progress.Start(7000, 500);
    progress.Update(7200);
    EXPECT_EQ(progress.State(), ProgressState::Normal);
    EXPECT_EQ(progress.Moved(), 200u);
    progress.Update(9000);  // a replaced file may be copied more than once
    EXPECT_EQ(progress.Moved(), 500u);
    progress.Finish(RunEnd::Failed);
    EXPECT_EQ(progress.State(), ProgressState::Error);
    EXPECT_EQ(progress.Moved(), 500u);
    EXPECT_EQ(progress.Total(), 500u);

    progress.Start(9000, 0);
    EXPECT_EQ(progress.State(), ProgressState::None) << "a new run clears the failure";
    progress.Finish(RunEnd::Failed);
    EXPECT_EQ(progress.State(), ProgressState::Error) << "shown even with nothing to move";
    EXPECT_EQ(progress.Moved(), progress.Total());
    EXPECT_NE(progress.Total(), 0u);

    for (const RunEnd end : {RunEnd::Done, RunEnd::Abandoned}) {
        progress.Start(9000, 100);
        progress.Finish(end);
        EXPECT_EQ(progress.State(), ProgressState::None);
    }
}

}  // namespace
