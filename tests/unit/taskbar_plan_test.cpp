#include "app/host/taskbar_plan.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

EventValues phase(const char* name) { return PhaseStart{name}; }

EventValues progress(uint32_t filesDone, uint32_t filesTotal, uint64_t bytesDone, uint64_t bytesTotal) {
  return Progress{"download", "a", filesDone, filesTotal, bytesDone, bytesTotal, 5};
}

EventValues result(bool ok, const char* code) { return JobResult{ok, ok, code, "", ""}; }

TEST(TaskbarPlanTest, ADownloadThroughTheQueueToAFailure) {
  TaskbarPlan plan;
  TaskbarUpdate update = plan.onPageEvent(phase("manifest"), 1000);
  EXPECT_EQ(update.state, TaskbarState::Working);
  EXPECT_FALSE(plan.keepAwake()) << "fetching the manifest is no reason to keep the machine up";

  plan.onPageEvent(phase("download"), 2000);
  EXPECT_TRUE(plan.keepAwake());
  update = plan.onPageEvent(
      progress(1, 4, 250, 1000),
      3000);
  EXPECT_EQ(update.state, TaskbarState::Normal);
  EXPECT_TRUE(update.valueChanged);
  EXPECT_DOUBLE_EQ(update.fraction, 0.25) << "bytes, not files, when the byte total is known";

  // The server's queue pauses the bar, and progress during the wait does
  // not unpause it; the interrupted phase coming back does.
  EXPECT_EQ(plan.onPageEvent(phase("queue"), 4000).state, TaskbarState::Paused);
  EXPECT_EQ(plan.onPageEvent(progress(1, 4, 250, 1000), 4100)
                .state,
            TaskbarState::Paused);
  plan.onPageEvent(phase("download"), 5000);
  EXPECT_EQ(plan.onPageEvent(progress(2, 4, 0, 0), 5100)
                .fraction,
            0.5);

  update = plan.onPageEvent(result(false, "offline"),
                            1000 + TaskbarPlan::kLongJobMs);
  EXPECT_EQ(update.state, TaskbarState::Error);
  EXPECT_DOUBLE_EQ(update.fraction, 1);
  EXPECT_TRUE(update.flash);
  EXPECT_FALSE(plan.keepAwake());
}

TEST(TaskbarPlanTest, QuickCancelledAndHandedOverJobsLeaveAPlainButton) {
  TaskbarPlan plan;
  plan.onPageEvent(phase("check"), 0);
  TaskbarUpdate update = plan.onPageEvent(result(true, "uptodate"), 900);
  EXPECT_EQ(update.state, TaskbarState::None);
  EXPECT_FALSE(update.flash) << "a start-up check that found nothing to do";

  plan.onPageEvent(phase("download"), 1000);
  update = plan.onPageEvent(result(false, "cancelled"), 2000);
  EXPECT_EQ(update.state, TaskbarState::None) << "the player's own cancel is no failure";

  // A self-update ends the job without a result.
  plan.onPageEvent(phase("selfupdate"), 3000);
  EXPECT_TRUE(plan.keepAwake());
  update = plan.onJobEnded();
  EXPECT_TRUE(update.stateChanged);
  EXPECT_EQ(update.state, TaskbarState::None);
  EXPECT_FALSE(plan.keepAwake());
}

}  // namespace
}  // namespace zv
