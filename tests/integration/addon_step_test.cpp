// The add-on step of the update job, with the add-on operations played by a
// fake: which records it hands on, and how it rewrites addons.json.

#include <gtest/gtest.h>

#include "platform/file.h"
#include "tests/integration/update_job_fixture.h"
#include "updater/addon_hooks.h"

namespace zv {
namespace {

using test::DoneEvent;
using test::readFile;
using test::writeFile;

struct InstallCall {
  std::string id, variant, key, phase;
  CheckMode mode;
};

class FakeAddonHooks final : public AddonHooks {
 public:
  bool installAddonFiles(UpdateJob& job, const Manifest&, const ManifestAddon& addon, const std::string& variant,
                         const std::string& key, CheckMode mode, const PassPhases& phases, bool& changed,
                         Failure& failure) override {
    installs.push_back({addon.id, variant, key, phases.check + "/" + phases.download, mode});
    if (failWith.kind != FailureKind::None) {
      if (cancelOnFailure) job.requestCancel();
      failure = failWith;
      return false;
    }
    changed = changed || changeOnInstall;
    return true;
  }
  bool removeFiles(UpdateJob&, const std::vector<std::string>& paths, const std::vector<std::string>& patterns,
                   std::vector<std::string>& leftOver) override {
    removedPaths = paths;
    removedPatterns = patterns;
    leftOver.clear();
    for (const std::string& path : paths) {
      if (!locked.empty() && path == locked) leftOver.push_back(path);
    }
    return leftOver.empty();
  }
  void sendAddonList(UpdateJob&, const Manifest* manifest) override {
    lists.push_back(manifest != nullptr ? manifest->addons.size() : 99);
  }

  std::vector<InstallCall> installs;
  std::vector<std::string> removedPaths, removedPatterns;
  std::vector<size_t> lists;  // add-ons in the manifest of each list event
  Failure failWith;
  bool cancelOnFailure = false;
  bool changeOnInstall = false;
  std::string locked;  // a path removeFiles cannot delete
};

class AddonStepTest : public test::UpdateJobFixture {
 protected:
  void SetUp() override {
    UpdateJobFixture::SetUp();
    release_->addFile("system/shared.txt", "base file\n");
    // One add-on the release still offers; "gone" was dropped from it.
    release_->setMember("addons", Json::parse(R"([{"id":"fx","name":"Effects","variants":[{"id":"dx9"},{"id":"dx11"}],
      "files":[]}])"));
    release_->publish();
    writeFile(clientFile("system/shared.txt"), "base file\n");
    writeFile(workFolder() / "addons.json", kRecords);
  }

  DoneEvent runWithHooks() {
    newJob().setAddonHooks(&hooks_);
    job_->run(CheckMode::Check);
    return done.value_or(DoneEvent{});
  }

  static constexpr const char* kRecords = R"({
  "gone": {"name": "Old", "variant": "", "key": "home",
           "files": ["gone/a.dll", "System/Shared.TXT", 5, "gone/b.ini"], "cleanup": ["gone/*.log"]},
  "fx": {"name": "Effects", "variant": "dx11", "key": "f12", "files": [], "cleanup": []}
}
)";
  FakeAddonHooks hooks_;
};

TEST_F(AddonStepTest, WithoutTheAddonCodeNoInstalledAddonIsTouched) {
  const DoneEvent result = runJob();
  EXPECT_EQ(result.code, "uptodate");
  EXPECT_EQ(readFile(workFolder() / "addons.json"), kRecords);
}

TEST_F(AddonStepTest, OfferedAddonIsKeptCurrentInItsVariantAndKey) {
  const DoneEvent result = runWithHooks();
  ASSERT_EQ(hooks_.installs.size(), 1u);
  EXPECT_EQ(hooks_.installs[0].id, "fx");
  EXPECT_EQ(hooks_.installs[0].variant, "dx11");
  EXPECT_EQ(hooks_.installs[0].key, "f12");
  EXPECT_EQ(hooks_.installs[0].phase, "/download") << "no check progress inside the update's own phases";
  EXPECT_EQ(hooks_.installs[0].mode, CheckMode::Check);
  EXPECT_EQ(hooks_.lists, std::vector<size_t>{1});
  EXPECT_EQ(result.code, "updated") << "the dropped add-on was removed";
}

TEST_F(AddonStepTest, DroppedAddonLosesItsFilesButNotBaseFiles) {
  EXPECT_EQ(runWithHooks().code, "updated");
  // Its non-string entry reads as an empty path, which the removal skips.
  EXPECT_EQ(hooks_.removedPaths, (std::vector<std::string>{"gone/a.dll", "", "gone/b.ini"}));
  EXPECT_EQ(hooks_.removedPatterns, std::vector<std::string>{"gone/*.log"});
  const Json records = Json::parse(readFile(workFolder() / "addons.json"));
  ASSERT_EQ(records.members().size(), 1u);
  EXPECT_EQ(records.members()[0].key, "fx");
}

TEST_F(AddonStepTest, LockedFileKeepsTheDroppedRecordWithWhatIsLeft) {
  hooks_.locked = "gone/a.dll";
  const DoneEvent result = runWithHooks();
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.code, "updated");
  const Json records = Json::parse(readFile(workFolder() / "addons.json"));
  ASSERT_EQ(records.members().size(), 2u);
  EXPECT_EQ(records.members()[0].key, "fx");
  EXPECT_EQ(records.members()[1].key, "gone") << "the kept record goes last";
  EXPECT_EQ(records.get("gone").get("files").dump(), R"(["gone/a.dll"])");
  EXPECT_EQ(records.get("gone").get("key").text(), "home");
}

TEST_F(AddonStepTest, FailedAddonUpdateFailsTheJobAndCancelForbidsPlaying) {
  hooks_.failWith = Failure{FailureKind::TargetLocked, 0, "x", "fx/effects.dll"};
  DoneEvent result = runWithHooks();
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.canPlay);
  EXPECT_EQ(result.code, "failed");
  EXPECT_EQ(result.detail, "fx/effects.dll: cannot replace x (is the game running?)");
  EXPECT_EQ(hooks_.lists.size(), 1u) << "the page still learns the add-on list";

  hooks_.cancelOnFailure = true;
  hooks_.failWith = cancelledFailure();
  result = runWithHooks();
  EXPECT_FALSE(result.canPlay);
  EXPECT_EQ(result.code, "cancelled");
}

}  // namespace
}  // namespace zv
