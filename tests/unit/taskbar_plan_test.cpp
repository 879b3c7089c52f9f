#include "app/host/taskbar_plan.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(TaskbarPlanTest, ADownloadThroughTheQueueToAFailure) {
  TaskbarPlan plan;
  TaskbarUpdate update = plan.onPageEvent(R"({"type":"phase","phase":"manifest"})", 1000);
  EXPECT_EQ(update.state, TaskbarState::Working);
  EXPECT_FALSE(plan.keepAwake()) << "fetching the manifest is no reason to keep the machine up";

  plan.onPageEvent(R"({"type":"phase","phase":"download"})", 2000);
  EXPECT_TRUE(plan.keepAwake());
  update = plan.onPageEvent(
      R"({"type":"progress","phase":"download","file":"a","filesDone":1,"filesTotal":4,"bytesDone":250,"bytesTotal":1000,"speed":5})",
      3000);
  EXPECT_EQ(update.state, TaskbarState::Normal);
  EXPECT_TRUE(update.valueChanged);
  EXPECT_DOUBLE_EQ(update.fraction, 0.25) << "bytes, not files, when the byte total is known";

  // The server's queue pauses the bar, and progress during the wait does
  // not unpause it; the interrupted phase coming back does.
  EXPECT_EQ(plan.onPageEvent(R"({"type":"phase","phase":"queue"})", 4000).state, TaskbarState::Paused);
  EXPECT_EQ(plan.onPageEvent(R"({"type":"progress","filesDone":1,"filesTotal":4,"bytesDone":250,"bytesTotal":1000})", 4100)
                .state,
            TaskbarState::Paused);
  plan.onPageEvent(R"({"type":"phase","phase":"download"})", 5000);
  EXPECT_EQ(plan.onPageEvent(R"({"type":"progress","filesDone":2,"filesTotal":4,"bytesDone":0,"bytesTotal":0})", 5100)
                .fraction,
            0.5);

  update = plan.onPageEvent(R"({"type":"done","ok":false,"canPlay":false,"code":"offline","detail":"x","build":""})",
                            1000 + TaskbarPlan::kLongJobMs);
  EXPECT_EQ(update.state, TaskbarState::Error);
  EXPECT_DOUBLE_EQ(update.fraction, 1);
  EXPECT_TRUE(update.flash);
  EXPECT_FALSE(plan.keepAwake());
}

TEST(TaskbarPlanTest, QuickCancelledAndHandedOverJobsLeaveAPlainButton) {
  TaskbarPlan plan;
  plan.onPageEvent(R"({"type":"phase","phase":"check"})", 0);
  TaskbarUpdate update = plan.onPageEvent(R"({"type":"done","ok":true,"canPlay":true,"code":"uptodate"})", 900);
  EXPECT_EQ(update.state, TaskbarState::None);
  EXPECT_FALSE(update.flash) << "a start-up check that found nothing to do";

  plan.onPageEvent(R"({"type":"phase","phase":"download"})", 1000);
  update = plan.onPageEvent(R"({"type":"done","ok":false,"canPlay":true,"code":"cancelled"})", 2000);
  EXPECT_EQ(update.state, TaskbarState::None) << "the player's own cancel is no failure";

  // A self-update ends the job without a result.
  plan.onPageEvent(R"({"type":"phase","phase":"selfupdate"})", 3000);
  EXPECT_TRUE(plan.keepAwake());
  update = plan.onJobEnded();
  EXPECT_TRUE(update.stateChanged);
  EXPECT_EQ(update.state, TaskbarState::None);
  EXPECT_FALSE(plan.keepAwake());
}

}  // namespace
}  // namespace zv
