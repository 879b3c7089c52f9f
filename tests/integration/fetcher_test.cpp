// The platform's fetcher against real servers on 127.0.0.1: the
// fault-injecting test server and nginx with the update server's
// configuration. The same tests run natively (CurlFetcher) and under Wine
// (WinHttpFetcher), so both fetchers are held to the same words.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "net/make_fetcher.h"
#include "platform/text_path.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

namespace zv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

// A stalled server fails a request after a second instead of half a minute.
FetchTimeouts quickTimeouts() {
  FetchTimeouts timeouts;
  timeouts.resolveMs = 5000;
  timeouts.connectMs = 5000;
  timeouts.sendMs = 5000;
  timeouts.receiveMs = 1000;
  return timeouts;
}

// Bytes of every value, line ends and zeros included, different at every
// offset, so a misplaced piece shows.
std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 2463534242u;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state);
  }
  return bytes;
}

// What a download reported, next to what the file held at each report.
struct ProgressLog {
  std::vector<uint64_t> totals;
  std::vector<uint64_t> fileSizes;
};

ProgressFn recordInto(ProgressLog& log, const std::filesystem::path& file) {
  return [&log, file](uint64_t total) {
    log.totals.push_back(total);
    log.fileSizes.push_back(readFile(file).size());
    return true;
  };
}

class FetcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(test::findTestServers(servers_, error)) << error;
    published_.emplace(servers_);
    folder_ = published_->name();
  }

  // Puts bytes on every server as name, in this test's own folder.
  std::string publish(std::string_view name, std::string_view bytes) {
    published_->publish(name, bytes);
    return std::string(bytes);
  }
  // The address of a published name on a server.
  std::string url(const std::string& server, std::string_view name) const {
    return published_->url(server, name);
  }
  // The address of a published name behind a fault of the fault server.
  std::string faultUrl(std::string_view scenario, std::string_view name) const {
    return servers_.fault + "/s/" + std::string(scenario) + "/" + folder_ + "/" + std::string(name);
  }
  // How many requests the fault server saw for an address it made.
  unsigned requestsFor(const std::string& address) {
    std::string count;
    EXPECT_TRUE(fetcher_->getText(servers_.fault + "/_stats" + address.substr(servers_.fault.size()), count, failure_))
        << error();
    return static_cast<unsigned>(std::stoul("0" + count));
  }

  test::TestServers servers_;
  std::optional<test::PublishedFolder> published_;
  std::string folder_;
  TempDir local_;
  std::string error() const { return failureText(failure_); }

  // The launcher's own time-outs: on a slow or busy machine an answer that
  // comes late is still an answer.
  std::unique_ptr<HttpFetcher> fetcher_ = makeFetcher(FetchTimeouts{});
  // For the cases that wait for a time-out.
  std::unique_ptr<HttpFetcher> quick_ = makeFetcher(quickTimeouts());
  std::string body_;
  Failure failure_;
};

// The plain cases, against both servers.
class BothServers : public FetcherTest, public ::testing::WithParamInterface<std::string> {
 protected:
  std::string server() const { return GetParam() == "nginx" ? servers_.nginx : servers_.fault; }
};

INSTANTIATE_TEST_SUITE_P(Servers, BothServers, ::testing::Values("fault", "nginx"),
                         [](const auto& info) { return info.param; });

TEST_P(BothServers, GetTextGivesA200BodyByteForByte) {
  const std::string doc = publish("doc.bin", pattern(200000));
  publish("empty.txt", "");
  ASSERT_TRUE(fetcher_->getText(url(server(), "doc.bin"), body_, failure_)) << error();
  EXPECT_EQ(body_, doc);
  ASSERT_TRUE(fetcher_->getText(url(server(), "empty.txt"), body_, failure_)) << error();
  EXPECT_EQ(body_, "");
}

TEST_P(BothServers, AFileReplacedOnTheServerIsServedNewAtOnce) {
  publish("manifest.json", "release 1");
  ASSERT_TRUE(fetcher_->getText(url(server(), "manifest.json"), body_, failure_)) << error();
  // As a release is published: the new text renamed over the old.
  publish("manifest.json.tmp", "release 2, longer");
  std::filesystem::rename(published_->path() / "manifest.json.tmp", published_->path() / "manifest.json");
  ASSERT_TRUE(fetcher_->getText(url(server(), "manifest.json"), body_, failure_)) << error();
  EXPECT_EQ(body_, "release 2, longer");
}

TEST_P(BothServers, AMissingFileGivesItsStatusAndLeavesTheDestinationAlone) {
  const std::string address = url(server(), "missing.bin");
  EXPECT_FALSE(fetcher_->getText(address, body_, failure_));
  EXPECT_EQ(error(), "HTTP 404 " + address);

  writeFile(local_ / "missing.part", "kept");
  EXPECT_FALSE(fetcher_->download(address, local_ / "missing.part", 4, nullptr, failure_));
  EXPECT_EQ(error(), "HTTP 404");
  EXPECT_EQ(readFile(local_ / "missing.part"), "kept") << "an error page must never become file content";
}

TEST_P(BothServers, DownloadReplacesWhatWasThereAndReportsTheFileGrowing) {
  const std::string file = publish("file.bin", pattern(300000));
  const auto destination = local_ / "file.part";
  writeFile(destination, pattern(400000) + "stale bytes past the end");
  ProgressLog log;
  ASSERT_TRUE(fetcher_->download(url(server(), "file.bin"), destination, 0, recordInto(log, destination), failure_))
      << error();
  EXPECT_EQ(readFile(destination), file);
  ASSERT_FALSE(log.totals.empty());
  EXPECT_EQ(log.totals, log.fileSizes) << "each report is the size of the file at that moment";
  EXPECT_EQ(log.totals.back(), file.size());
  EXPECT_TRUE(std::is_sorted(log.totals.begin(), log.totals.end()));
}

TEST_P(BothServers, DownloadResumesFromTheOffset) {
  const std::string file = publish("file.bin", pattern(300000));
  const auto destination = local_ / "file.part";
  writeFile(destination, file.substr(0, 100000));
  ProgressLog log;
  ASSERT_TRUE(
      fetcher_->download(url(server(), "file.bin"), destination, 100000, recordInto(log, destination), failure_))
      << error();
  EXPECT_EQ(readFile(destination), file);
  ASSERT_FALSE(log.totals.empty());
  EXPECT_GT(log.totals.front(), 100000u) << "totals include the part already there";
  EXPECT_EQ(log.totals, log.fileSizes);
  EXPECT_EQ(log.totals.back(), file.size());
}

TEST_P(BothServers, ResumingAtTheEndStartsOverWithoutARange) {
  // The part claims to be whole but holds other bytes: the resource changed.
  const std::string file = publish("file.bin", pattern(100000));
  const auto destination = local_ / "file.part";
  writeFile(destination, std::string(file.size(), 'x'));
  ProgressLog log;
  ASSERT_TRUE(
      fetcher_->download(url(server(), "file.bin"), destination, file.size(), recordInto(log, destination), failure_))
      << error();
  EXPECT_EQ(readFile(destination), file);
  ASSERT_FALSE(log.totals.empty());
  EXPECT_EQ(log.totals.back(), file.size()) << "the second request counts from byte 0";
  if (GetParam() == "fault") {
    EXPECT_EQ(requestsFor(url(server(), "file.bin")), 2u);
  }
}

TEST_P(BothServers, PercentEncodedNamesReachTheServerUnchanged) {
  const std::string file = publish("a b#%\xC3\xA9.bin", "odd name");
  ASSERT_TRUE(fetcher_->getText(url(server(), "a%20b%23%25%C3%A9.bin"), body_, failure_)) << error();
  EXPECT_EQ(body_, file);
}

// Several ranges in one request come back as multipart/byteranges, one as a
// plain 206; If-Range with the answer's validator keeps them coming, a stale
// one (or a server that ignores Range) gives the whole file's 200, unread.
TEST_P(BothServers, RangesArriveByteForByteWhileTheValidatorHolds) {
  const std::string file = publish("ranged.bin", pattern(300000));
  // "offset+length" per run of bytes that arrived in order and match the file.
  const auto fetch = [&](const std::string& address, const std::vector<ByteRange>& ranges, const std::string& ifRange,
                         std::string& validator) {
    std::vector<std::pair<uint64_t, uint64_t>> runs;
    const bool ok = fetcher_->getRanges(address, ranges, ifRange, [&](uint64_t offset, const char* data, size_t size) {
      if (file.compare(offset, size, data, size) != 0) runs.emplace_back(0, 0);
      if (runs.empty() || runs.back().first + runs.back().second != offset) runs.emplace_back(offset, 0);
      runs.back().second += size;
      return true;
    }, validator, failure_);
    std::string got;
    for (const auto& [offset, length] : runs) got += std::to_string(offset) + "+" + std::to_string(length) + " ";
    return ok ? got : "failed: " + error();
  };
  std::string validator;
  EXPECT_EQ(fetch(url(server(), "ranged.bin"), {{0, 19}}, "", validator), "0+20 ");
  ASSERT_FALSE(validator.empty());
  std::string again;
  EXPECT_EQ(fetch(url(server(), "ranged.bin"), {{5, 5}, {70000, 199999}, {299990, 299999}}, validator, again),
            "5+1 70000+130000 299990+10 ");
  EXPECT_EQ(again, validator);
  EXPECT_EQ(fetch(url(server(), "ranged.bin"), {{0, 9}, {20, 29}}, "\"another version\"", again), "failed: HTTP 200");
  if (GetParam() == "fault") {
    EXPECT_EQ(fetch(faultUrl("norange", "ranged.bin"), {{0, 9}}, "", again), "failed: HTTP 200");
  }
}

TEST_F(FetcherTest, GetTextSucceedsOnlyOn200) {
  for (const char* scenario : {"status-204", "always206", "status-416", "status-429", "status-500", "status-503"}) {
    publish("doc.txt", "text");
    const std::string address = faultUrl(scenario, "doc.txt");
    EXPECT_FALSE(fetcher_->getText(address, body_, failure_)) << scenario;
    const std::string code = std::string(scenario) == "always206" ? "206" : std::string(scenario).substr(7);
    EXPECT_EQ(error(), "HTTP " + code + " " + address);
  }
}

TEST_F(FetcherTest, RedirectsAreFollowedAndKeepTheRange) {
  const std::string file = publish("file.bin", pattern(150000));
  ASSERT_TRUE(fetcher_->getText(
      servers_.fault + "/s/redirect-301/s/redirect-302/s/redirect-307/" + folder_ + "/file.bin", body_, failure_))
      << error();
  EXPECT_EQ(body_, file);

  const auto destination = local_ / "file.part";
  writeFile(destination, file.substr(0, 50000));
  ProgressLog log;
  ASSERT_TRUE(fetcher_->download(faultUrl("redirect-302", "file.bin"), destination, 50000,
                                 recordInto(log, destination), failure_))
      << error();
  EXPECT_EQ(readFile(destination), file);
  ASSERT_FALSE(log.totals.empty());
  EXPECT_GT(log.totals.front(), 50000u) << "the range request survives the redirect";
}

TEST_F(FetcherTest, UnsafeBytesAreEscapedAndTheRestSentAsGiven) {
  // A publisher's address may hold blanks or letters beyond ASCII; both
  // fetchers must ask for the same thing.
  ASSERT_TRUE(fetcher_->getText(servers_.fault +
                                    "/s/echo/a b/./\xC3\xA9\"<>[\\]^`{|}~'()!$&+,;=@:%41%zz?q r#frag",
                                body_, failure_))
      << error();
  EXPECT_EQ(body_.substr(0, body_.find("\r\n")),
            "GET /s/echo/a%20b/./%C3%A9%22%3C%3E%5B%5C%5D%5E%60%7B%7C%7D~'()!$&+,;=@:%41%zz?q%20r%23frag HTTP/1.1");
}

TEST_F(FetcherTest, RedirectsStopAfterTenAndUnusableAnswersHaveTheirWords) {
  const std::string file = publish("file.bin", "end of the chain");
  std::string chain = folder_ + "/file.bin";
  for (int i = 0; i < 10; ++i) chain = "s/redirect-302/" + chain;
  ASSERT_TRUE(fetcher_->getText(servers_.fault + "/" + chain, body_, failure_)) << error();
  EXPECT_EQ(body_, file);
  EXPECT_FALSE(fetcher_->getText(servers_.fault + "/s/redirect-302/" + chain, body_, failure_));
  const std::string loop = "download: redirect failed (a redirect loop, or to another kind of address)";
  EXPECT_EQ(error(), loop);
  EXPECT_FALSE(fetcher_->getText(servers_.fault + "/s/elsewhere-302/x", body_, failure_));
  EXPECT_EQ(error(), loop);
  // A location beside a status that is no redirect is not followed.
  for (const std::string status : {"300", "304", "305"}) {
    const std::string address = servers_.fault + "/s/redirect-" + status + "/" + folder_ + "/file.bin";
    EXPECT_FALSE(fetcher_->getText(address, body_, failure_));
    EXPECT_EQ(error(), "HTTP " + status + " " + address);
  }
  // Windows' WinHTTP refuses a header past 64 KiB (12183), libcurl one past
  // 100 KB (out of memory); Wine's reads any size.
  if (!test::runningUnderWine()) {
    EXPECT_FALSE(fetcher_->getText(servers_.fault + "/s/bighead-2097152/x", body_, failure_));
    EXPECT_EQ(error(), "download: the server's answer is too large to read");
  }
}

TEST_F(FetcherTest, TextsAreCappedAt16MiB) {
  const std::string largest = publish("largest.bin", pattern(kMaxTextBytes));
  ASSERT_TRUE(fetcher_->getText(url(servers_.fault, "largest.bin"), body_, failure_)) << error();
  EXPECT_EQ(body_, largest);
  publish("too-large.bin", largest + "!");
  EXPECT_FALSE(fetcher_->getText(url(servers_.fault, "too-large.bin"), body_, failure_));
  EXPECT_EQ(error(), "cancelled");
  EXPECT_LE(body_.size(), kMaxTextBytes);
}

TEST_F(FetcherTest, RequestsAskForFreshCopiesAndNameTheLauncher) {
  publish("any", "");
  ASSERT_TRUE(fetcher_->getText(faultUrl("echo", "any"), body_, failure_)) << error();
  EXPECT_NE(body_.find("\r\nUser-Agent: ZarvoLauncher/1.0\r\n"), std::string::npos) << body_;
  EXPECT_NE(body_.find("\r\nCache-Control: no-cache\r\n"), std::string::npos) << body_;
  EXPECT_NE(body_.find("\r\nPragma: no-cache\r\n"), std::string::npos) << body_;
  EXPECT_EQ(body_.find("Range:"), std::string::npos) << body_;

  // The echo ignores the range: its 200 rewrites the file with the request.
  const auto destination = local_ / "echo.part";
  writeFile(destination, pattern(1000));
  ASSERT_TRUE(fetcher_->download(faultUrl("echo", "any"), destination, 1000, nullptr, failure_)) << error();
  EXPECT_NE(readFile(destination).find("\r\nRange: bytes=1000-\r\n"), std::string::npos) << readFile(destination);
}

TEST_F(FetcherTest, MalformedUrlsFailBeforeAnyTraffic) {
  for (const std::string address : {"", "127.0.0.1/x", "ftp://127.0.0.1/x", "http://", "http://127.0.0.1:99999/x"}) {
    EXPECT_FALSE(fetcher_->getText(address, body_, failure_));
    EXPECT_EQ(error(), "bad URL: " + address);
    EXPECT_FALSE(fetcher_->download(address, local_ / "bad.part", 0, nullptr, failure_));
    EXPECT_EQ(error(), "bad URL: " + address);
  }
  EXPECT_FALSE(std::filesystem::exists(local_ / "bad.part"));
}

TEST_F(FetcherTest, ConnectionFailuresHaveTheirOwnWords) {
  // Nothing listens on port 1. A label longer than 63 characters cannot be
  // put into a DNS query, so the name fails without leaving this machine.
  const std::string refused = "http://127.0.0.1:1/x";
  const std::string unknown = "http://" + std::string(70, 'x') + ".invalid/x";
  EXPECT_FALSE(fetcher_->getText(refused, body_, failure_));
  EXPECT_EQ(error(), "download: cannot connect");
  EXPECT_FALSE(fetcher_->download(refused, local_ / "x.part", 0, nullptr, failure_));
  EXPECT_EQ(error(), "download: cannot connect");
  EXPECT_FALSE(fetcher_->getText(unknown, body_, failure_));
  EXPECT_EQ(error(), "download: server name not found (no internet?)");
  EXPECT_FALSE(fetcher_->download(unknown, local_ / "x.part", 0, nullptr, failure_));
  EXPECT_EQ(error(), "download: server name not found (no internet?)");

  publish("doc.txt", "text");
  EXPECT_FALSE(fetcher_->getText(faultUrl("drop", "doc.txt"), body_, failure_));
  if (test::runningUnderWine()) {
    // Wine reports a reset before the answer now as one, now as an invalid
    // answer; Windows as a reset.
    EXPECT_TRUE(error() == "download: connection reset" || error() == "download: error 12152") << error();
  } else {
    EXPECT_EQ(error(), "download: connection reset");
  }
  EXPECT_FALSE(quick_->getText(faultUrl("silent", "doc.txt"), body_, failure_));
  EXPECT_EQ(error(), "download: timeout");
  EXPECT_FALSE(fetcher_->getText(faultUrl("hangup", "doc.txt"), body_, failure_));
  EXPECT_EQ(error(), "download: error 12152");
}

TEST_F(FetcherTest, AnInterruptedDownloadKeepsWhatArrived) {
  const std::string file = publish("file.bin", pattern(300000));
  struct Case {
    const char* scenario;
    const char* error;
  };
  // A body cut short is a broken connection too, even where the stack saw an
  // orderly end: it must never pass for the whole file.
  for (const Case& c : {Case{"stall-100000", "download: timeout"}, Case{"reset-100000", "download: connection reset"},
                        Case{"cut-100000", "download: connection reset"}}) {
    const auto destination = local_ / (std::string(c.scenario) + ".part");
    ProgressLog log;
    EXPECT_FALSE(quick_->download(faultUrl(c.scenario, "file.bin"), destination, 0, recordInto(log, destination),
                                  failure_));
    EXPECT_EQ(error(), c.error) << c.scenario;
    const std::string kept = std::filesystem::exists(destination) ? readFile(destination) : "";
    EXPECT_LE(kept.size(), 100000u) << c.scenario;
    EXPECT_EQ(kept, file.substr(0, kept.size())) << c.scenario;
    EXPECT_EQ(kept.size(), log.totals.empty() ? 0 : log.totals.back()) << c.scenario;
  }
}

TEST_F(FetcherTest, ASlowButSteadyAnswerIsNotATimeout) {
  // 1 KiB every 300 ms: longer in all than the receive time-out, never
  // silent for that long.
  const std::string file = publish("file.bin", pattern(8 * 1024));
  ASSERT_TRUE(quick_->getText(faultUrl("trickle-300", "file.bin"), body_, failure_)) << error();
  EXPECT_EQ(body_, file);
  // Nor is a slow disk: time spent writing what arrived, here the whole
  // file's last block, is no wait for the server.
  const std::string large = publish("large.bin", pattern(4 << 20));
  const auto slowLastBlock = [&](uint64_t written) {
    if (written == large.size()) std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    return true;
  };
  ASSERT_TRUE(quick_->download(url(servers_.nginx, "large.bin"), local_ / "large.part", 0, slowLastBlock, failure_))
      << error();
  EXPECT_EQ(readFile(local_ / "large.part"), large);
}

TEST_F(FetcherTest, BytesPastTheAnnouncedLengthAreIgnored) {
  const std::string file = publish("file.bin", pattern(100000));
  ASSERT_TRUE(fetcher_->download(faultUrl("long-5000", "file.bin"), local_ / "file.part", 0, nullptr, failure_))
      << error();
  EXPECT_EQ(readFile(local_ / "file.part"), file);
}

TEST_F(FetcherTest, DownloadRefusesUnusableAnswers) {
  publish("file.bin", pattern(1000));
  const auto destination = local_ / "file.part";
  for (const char* scenario : {"always206", "status-429", "status-500", "status-503"}) {
    writeFile(destination, "kept");
    // A 206 answers a range request only.
    const uint64_t offset = std::string(scenario) == "always206" ? 0 : 4;
    EXPECT_FALSE(fetcher_->download(faultUrl(scenario, "file.bin"), destination, offset, nullptr, failure_));
    const std::string code = std::string(scenario) == "always206" ? "206" : std::string(scenario).substr(7);
    EXPECT_EQ(error(), "HTTP " + code);
    EXPECT_EQ(readFile(destination), "kept") << scenario;
  }
}

TEST_F(FetcherTest, A416IsRetriedOnceAndOnlyForARange) {
  publish("file.bin", pattern(1000));
  const std::string withRange = faultUrl("status-416", "file.bin?with-range");
  EXPECT_FALSE(fetcher_->download(withRange, local_ / "file.part", 10, nullptr, failure_));
  EXPECT_EQ(error(), "HTTP 416");
  EXPECT_EQ(requestsFor(withRange), 2u);

  const std::string withoutRange = faultUrl("status-416", "file.bin?without-range");
  EXPECT_FALSE(fetcher_->download(withoutRange, local_ / "file.part", 0, nullptr, failure_));
  EXPECT_EQ(error(), "HTTP 416");
  EXPECT_EQ(requestsFor(withoutRange), 1u);
}

TEST_F(FetcherTest, AServerIgnoringTheRangeRewritesTheFileFromTheStart) {
  const std::string file = publish("file.bin", pattern(200000));
  const auto destination = local_ / "file.part";
  writeFile(destination, pattern(1000).replace(0, 5, "stale"));
  ProgressLog log;
  ASSERT_TRUE(fetcher_->download(faultUrl("norange", "file.bin"), destination, 1000, recordInto(log, destination),
                                 failure_))
      << error();
  EXPECT_EQ(readFile(destination), file);
  ASSERT_FALSE(log.totals.empty());
  EXPECT_EQ(log.totals, log.fileSizes);
  EXPECT_EQ(log.totals.back(), file.size()) << "counted from the start, not from 1000";
}

TEST_F(FetcherTest, ABusyServerIsReportedThenServes) {
  const std::string file = publish("file.bin", pattern(5000));
  const std::string address = faultUrl("busy-503-1", "file.bin");
  EXPECT_FALSE(fetcher_->download(address, local_ / "file.part", 0, nullptr, failure_));
  EXPECT_EQ(error(), "HTTP 503");
  EXPECT_EQ(failure_.kind, FailureKind::BusyServer);
  ASSERT_TRUE(fetcher_->download(address, local_ / "file.part", 0, nullptr, failure_)) << error();
  EXPECT_EQ(readFile(local_ / "file.part"), file);
  EXPECT_EQ(requestsFor(address), 2u);
}

TEST_F(FetcherTest, TheProgressCallbackStopsTheTransfer) {
  publish("file.bin", pattern(500000));
  const auto destination = local_ / "file.part";
  uint64_t reported = 0;
  EXPECT_FALSE(fetcher_->download(url(servers_.fault, "file.bin"), destination, 0,
                                  [&](uint64_t total) {
                                    reported = total;
                                    return false;
                                  },
                                  failure_));
  EXPECT_EQ(error(), "cancelled");
  EXPECT_GT(reported, 0u);
  EXPECT_EQ(readFile(destination).size(), reported) << "the piece written before the stop stays";
  // A file within one block is told of once, when it is whole: a stop then
  // is still a cancel.
  publish("small.bin", pattern(1000));
  EXPECT_FALSE(fetcher_->download(url(servers_.fault, "small.bin"), destination, 0, [](uint64_t) { return false; },
                                  failure_));
  EXPECT_EQ(error(), "cancelled");

  // A server that never stops sending cannot fill the disk of a caller that
  // stops at the size it expects.
  const uint64_t expected = 1 << 20;
  EXPECT_FALSE(fetcher_->download(faultUrl("endless", "file.bin"), destination, 0,
                                  [&](uint64_t total) { return total <= expected; }, failure_));
  EXPECT_EQ(error(), "cancelled");
  EXPECT_LE(readFile(destination).size(), expected + 2 * kWriteBlockBytes);
}

TEST_F(FetcherTest, TheCancelFlagStopsARequestThatWaitsForASilentServer) {
  // Time-outs far beyond the test's own bound: only the flag can end these.
  FetchTimeouts patient;
  patient.receiveMs = 120000;
  const std::unique_ptr<HttpFetcher> fetcher = makeFetcher(patient);
  std::atomic<bool> cancel{false};
  fetcher->watchCancel(&cancel);
  const auto endsCancelled = [](std::future<Failure> ending) {
    ASSERT_EQ(ending.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the cancel was not seen";
    EXPECT_EQ(failureText(ending.get()), "cancelled");
  };

  // No answer at all: the request waits for the headers.
  publish("doc.txt", "text");
  std::string body;
  auto silent = std::async(std::launch::async, [&] {
    Failure failure;
    EXPECT_FALSE(fetcher->getText(faultUrl("silent", "doc.txt"), body, failure));
    return failure;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  cancel = true;
  endsCancelled(std::move(silent));

  // A body that stops coming after its first 1000 bytes: the flag must be
  // seen while nothing arrives.
  cancel = false;
  publish("file.bin", pattern(300000));
  const std::string stalling = faultUrl("stall-1000", "file.bin");
  auto stalled = std::async(std::launch::async, [&] {
    Failure failure;
    EXPECT_FALSE(fetcher->download(stalling, local_ / "file.part", 0, nullptr, failure));
    return failure;
  });
  // The request reaches the server, its bytes come straight after it.
  for (int waited = 0; waited < 200 && requestsFor(stalling) == 0; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  cancel = true;
  endsCancelled(std::move(stalled));
  EXPECT_EQ(readFile(local_ / "file.part").size(), 1000u) << "the bytes received stay for a resume";
}

TEST_F(FetcherTest, ADestinationThatCannotBeWrittenIsNamedNotCancelled) {
  publish("file.bin", pattern(300000));
  const auto nowhere = local_ / "no such folder/file.part";
  EXPECT_FALSE(fetcher_->download(url(servers_.fault, "file.bin"), nowhere, 0, nullptr, failure_));
  EXPECT_EQ(error(), "cannot write " + pathToUtf8(nowhere));
  // A disk that fills up half-way through the body.
  const auto destination = local_ / "file.part";
  fetcher_->limitFileBytes(100000);
  EXPECT_FALSE(fetcher_->download(url(servers_.fault, "file.bin"), destination, 0, nullptr, failure_));
  EXPECT_EQ(failure_.kind, FailureKind::DiskFull);
  EXPECT_EQ(error(), "not enough disk space for " + pathToUtf8(destination));
}

TEST_F(FetcherTest, NginxAnswers503WhenAllItsConnectionsAreTaken) {
  // The busy nginx serves one request at a time. A download paused in its
  // progress callback holds that one (its file is far larger than socket
  // buffers, so nginx is still sending) while a second request comes in.
  const std::string large = publish("large.bin", pattern(32 << 20));
  publish("small.txt", "small");
  std::promise<void> holding;
  std::promise<void> released;
  std::once_flag heldOnce;
  std::unique_ptr<Fetcher> first = makeFetcher(FetchTimeouts{});
  Failure firstFailure;
  bool firstOk = false;
  std::thread holder([&] {
    firstOk = first->download(url(servers_.nginxBusy, "large.bin"), local_ / "large.part", 0,
                              [&](uint64_t) {
                                std::call_once(heldOnce, [&] {
                                  holding.set_value();
                                  released.get_future().wait();
                                });
                                return true;
                              },
                              firstFailure);
    std::call_once(heldOnce, [&] { holding.set_value(); });
  });
  EXPECT_EQ(holding.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready);
  const std::string address = url(servers_.nginxBusy, "small.txt");
  EXPECT_FALSE(fetcher_->getText(address, body_, failure_));
  EXPECT_EQ(error(), "HTTP 503 " + address);
  released.set_value();
  holder.join();
  EXPECT_TRUE(firstOk) << failureText(firstFailure);
  EXPECT_EQ(readFile(local_ / "large.part"), large);
}

TEST_F(FetcherTest, AnUntrustedCertificateFails) {
  publish("doc.txt", "text");
  EXPECT_FALSE(fetcher_->getText(url(servers_.nginxTls, "doc.txt"), body_, failure_));
  if (test::runningUnderWine()) {
    // Wine reports a different error number than Windows for this.
    EXPECT_TRUE(error().starts_with("download: ")) << error();
  } else {
    EXPECT_EQ(error(), "download: TLS/certificate error");
  }
}

}  // namespace
}  // namespace zv
