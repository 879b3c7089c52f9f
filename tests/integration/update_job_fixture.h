#pragma once
// What the UpdateJob's integration tests share: a release published on the
// test servers, a client folder, the platform's real fetcher, fake time for
// busy-server waits, and a record of every event the job sent.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/json.h"
#include "data/launcher_config.h"
#include "net/make_fetcher.h"
#include "platform/text_path.h"
#include "tests/support/fake_clock.h"
#include "tests/support/release_maker.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"
#include "updater/file_url.h"
#include "updater/update_job.h"

namespace zv::test {

struct DoneEvent {
  bool ok = false;
  bool canPlay = false;
  std::string code;
  std::string detail;
};

class UpdateJobFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.step = 1;
    std::string error;
    ASSERT_TRUE(findTestServers(servers_, error)) << error;
    published_.emplace(servers_.root);
    folder_ = pathToUtf8(published_->path().filename());
    release_.emplace(published_->path());
    config_.publicKey = TestKey().publicKeyHex();
    serveFrom(servers_.nginx);
  }

  // The release is fetched from this server, through a fault scenario of
  // the fault server when one is given ("status-404", "busy-503-1", ...).
  void serveFrom(const std::string& server, const std::string& scenario = {}) {
    config_.updateUrl = server + (scenario.empty() ? "" : "/s/" + scenario) + "/" + folder_ + "/";
  }
  void serveFault(const std::string& scenario) { serveFrom(servers_.fault, scenario); }

  // A new UpdateJob for the next job, recording its events. launcher: the
  // running launcher's path, empty for self-update off.
  UpdateJob& newJob(const std::filesystem::path& launcher = {}) {
    UpdateEvents events;
    events.onPhase = [this](const std::string& phase) {
      phases.push_back(phase);
      if (!cancelAtPhase.empty() && cancelAtPhase == phase) job_->requestCancel();
    };
    events.onProgress = [this](const Progress& event) {
      progress.push_back(event);
      if (cancelAtProgress && cancelAtProgress(event)) job_->requestCancel();
    };
    events.onDone = [this](bool ok, bool canPlay, const std::string& code, const std::string& detail) {
      EXPECT_FALSE(done.has_value()) << "a second done event";
      done = DoneEvent{ok, canPlay, code, detail};
    };
    events.onSelfUpdate = [this](const std::filesystem::path& path) { selfUpdates.push_back(path); };
    events.onManifest = [this](const std::shared_ptr<const Manifest>& manifest) {
      manifests.push_back(manifest->build);
    };
    phases.clear();
    progress.clear();
    done.reset();
    selfUpdates.clear();
    manifests.clear();
    job_.reset();
    job_ = std::make_unique<UpdateJob>(client_.path(), launcher, config_, *fetcher_, std::move(events), clock_);
    if (fetcherFactory) job_->setFetcherFactory(fetcherFactory);
    return *job_;
  }

  // Download passes of the next jobs run `transfers` files at once, each
  // further transfer on a fetcher of its own. Before the first job.
  void transfersAtOnce(int transfers) {
    config_.transfers = transfers;
    fetcherFactory = [] { return std::unique_ptr<Fetcher>(makeFetcher()); };
  }

  // One whole job in a new UpdateJob; the result must be a done event.
  DoneEvent runJob(CheckMode mode = CheckMode::Check) {
    newJob().run(mode);
    EXPECT_TRUE(done.has_value()) << "the job ended without a done event";
    return done.value_or(DoneEvent{});
  }

  // The manifest entry of a published file as the UpdateJob reads it.
  ManifestFile entryOf(const std::string& path) const {
    const Json* entry = nullptr;
    const Json document = release_->document();
    for (const Json& file : document.get("files").elements()) {
      if (file.get("path").text() == path) entry = &file;
    }
    ManifestFile file;
    std::string error;
    EXPECT_TRUE(entry != nullptr && parseManifestFile(*entry, file, error)) << path << " " << error;
    return file;
  }

  // How many requests the fault server saw for the packed file of entry.
  unsigned requestsFor(const ManifestFile& file) { return requestsForUrl(fileUrl(config_.updateUrl, file)); }
  unsigned requestsForUrl(const std::string& url) {
    std::string count;
    Failure failure;
    // A fetcher of its own: the job's stops once the job was cancelled.
    EXPECT_TRUE(makeFetcher()->getText(servers_.fault + "/_stats" + url.substr(servers_.fault.size()), count, failure))
        << failureText(failure);
    return static_cast<unsigned>(std::stoul("0" + count));
  }

  std::filesystem::path clientFile(std::string_view path) const { return client_ / path; }
  std::filesystem::path workFolder() const { return client_ / ".zarvo_update"; }

  TestServers servers_;
  std::optional<TempDir> published_;
  std::string folder_;
  std::optional<Release> release_;
  TempDir client_;
  LauncherConfig config_;
  std::unique_ptr<HttpFetcher> fetcher_ = makeFetcher();
  FakeClock clock_;
  std::unique_ptr<UpdateJob> job_;
  FetcherFactory fetcherFactory;  // none: one transfer at a time

  // Set by a test to cancel the job at a given moment.
  std::string cancelAtPhase;
  std::function<bool(const Progress& progress)> cancelAtProgress;

  // What the last job reported.
  std::vector<std::string> phases;
  std::vector<Progress> progress;
  std::optional<DoneEvent> done;
  std::vector<std::filesystem::path> selfUpdates;
  std::vector<std::string> manifests;  // build texts
};

}  // namespace zv::test
