// The news fetch and the status poll against the test HTTP servers, and the
// port probe against real sockets on 127.0.0.1.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "net/make_fetcher.h"
#include "net/news.h"
#include "net/status.h"
#include "platform/tcp_probe.h"
#include "platform/text_path.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

namespace zv {
namespace {

using test::TempDir;
using test::writeFile;

#ifdef _WIN32
using SocketHandle = SOCKET;
constexpr SocketHandle kNoSocket = INVALID_SOCKET;
void closeSocket(SocketHandle s) { closesocket(s); }
#else
using SocketHandle = int;
constexpr SocketHandle kNoSocket = -1;
void closeSocket(SocketHandle s) { close(s); }
#endif

// A TCP port on 127.0.0.1 that this test holds: listening, or bound without
// listening, which refuses every connection and keeps anyone else off it.
class LoopbackPort {
 public:
  explicit LoopbackPort(bool listening) {
#ifdef _WIN32
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
#endif
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ == kNoSocket || bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        (listening && listen(socket_, 4) != 0)) {
      ADD_FAILURE() << "cannot set up a loopback port";
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackPort() {
    if (socket_ != kNoSocket) closeSocket(socket_);
#ifdef _WIN32
    if (started_) WSACleanup();
#endif
  }
  LoopbackPort(const LoopbackPort&) = delete;
  LoopbackPort& operator=(const LoopbackPort&) = delete;
  int32_t port() const { return port_; }

 private:
  SocketHandle socket_ = kNoSocket;
  int32_t port_ = 0;
#ifdef _WIN32
  bool started_ = false;
#endif
};

FetchTimeouts quickTimeouts() {
  FetchTimeouts timeouts;
  timeouts.receiveMs = 2000;
  return timeouts;
}

class NewsStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(test::findTestServers(servers_, error)) << error;
    published_.emplace(servers_);
  }
  // Puts a document on the servers and gives its address on nginx.
  std::string publish(std::string_view name, std::string_view bytes) {
    published_->publish(name, bytes);
    return url(name);
  }
  std::string url(std::string_view name) const { return published_->url(servers_.nginx, name); }

  ServerStatus status(const LauncherConfig& config) { return queryStatus(*fetcher_, config); }
  // The news as "fetched" or "failed", and the document.
  std::string news(const std::string& address) {
    const News news = fetchNews(*fetcher_, address);
    return news ? news->dump() : "failed";
  }

  test::TestServers servers_;
  std::optional<test::PublishedFolder> published_;
  std::unique_ptr<Fetcher> fetcher_ = makeFetcher(quickTimeouts());
};

TEST_F(NewsStatusTest, NewsPassesTheDocumentThroughWithoutItsByteOrderMark) {
  const std::string document = R"({"news":[{"time":1700000000,"title":"Ž","text":{"lt":"a","en":"b"}}],"x":[1,2]})";
  EXPECT_EQ(news(publish("news.json", document)), Json::parse(document).dump());
  EXPECT_EQ(news(publish("bom.json", "\xEF\xBB\xBF" + document)), Json::parse(document).dump());
  // Not JSON: the page learns the fetch worked but has nothing to show.
  EXPECT_EQ(news(publish("bad.json", "<html>oops</html>")), "null");
  EXPECT_EQ(news(publish("two-boms.json", "\xEF\xBB\xBF\xEF\xBB\xBF{}")), "null");
}

TEST_F(NewsStatusTest, AFailedNewsFetchGivesNoDocument) {
  EXPECT_EQ(news(url("missing.json")), "failed");
  const LoopbackPort closed(false);
  EXPECT_EQ(news("http://127.0.0.1:" + std::to_string(closed.port()) + "/news.json"), "failed");
}

TEST_F(NewsStatusTest, TheStatusDocumentGivesOnlineAndPlayers) {
  LauncherConfig config;
  config.statusUrl = publish("a.json", R"({"online": true})");
  EXPECT_EQ(status(config), (ServerStatus{true, true, -1}));
  config.statusUrl = publish("b.json", R"({"players": 12.7, "online": "yes"})");
  EXPECT_EQ(status(config), (ServerStatus{true, false, 12}));
  config.statusUrl = publish("c.json", R"({"online": false, "players": -3.9})");
  EXPECT_EQ(status(config), (ServerStatus{true, false, -3}));
  config.statusUrl = publish("d.json", R"({"online": true, "players": "7"})");
  EXPECT_EQ(status(config), (ServerStatus{true, true, -1}));
}

TEST_F(NewsStatusTest, AnUnusableStatusDocumentFallsBackToTheProbe) {
  const LoopbackPort server(true);
  LauncherConfig config;
  config.statusHost = "127.0.0.1";
  config.statusPort = server.port();
  for (const std::string& unusable :
       {publish("array.json", "[true]"), publish("bom.json", "\xEF\xBB\xBF{\"online\":false}"), url("missing.json")}) {
    config.statusUrl = unusable;
    EXPECT_EQ(status(config), (ServerStatus{true, true, -1})) << unusable;
  }
  // Without a port to probe nobody answered at all.
  config.statusPort = 0;
  config.statusUrl = url("missing.json");
  EXPECT_EQ(status(config), ServerStatus{});
  config.statusUrl.clear();
  EXPECT_EQ(status(config), ServerStatus{});
}

TEST_F(NewsStatusTest, TheProbeTellsAListeningPortFromARefusingOne) {
  const LoopbackPort listening(true);
  const LoopbackPort refusing(false);
  EXPECT_TRUE(probeTcp("127.0.0.1", listening.port(), kProbeTimeoutMs));
  EXPECT_TRUE(probeTcp("localhost", listening.port(), kProbeTimeoutMs));
  EXPECT_FALSE(probeTcp("127.0.0.1", refusing.port(), kProbeTimeoutMs));
  EXPECT_FALSE(probeTcp("127.0.0.1", -listening.port(), kProbeTimeoutMs));

  LauncherConfig config;
  config.statusHost = "127.0.0.1";
  config.statusPort = refusing.port();
  EXPECT_EQ(status(config), (ServerStatus{true, false, -1}));
}

// Collects what the poll reports, for a test thread to wait on.
class Reported {
 public:
  std::function<void(const ServerStatus&)> reporter() {
    return [this](const ServerStatus& status) {
      std::lock_guard lock(mutex_);
      reports_.push_back(status);
      changed_.notify_all();
    };
  }
  // What was reported once there are count reports, or after a minute.
  std::vector<ServerStatus> waitFor(size_t count) {
    std::unique_lock lock(mutex_);
    EXPECT_TRUE(changed_.wait_for(lock, std::chrono::minutes(1), [&] { return reports_.size() >= count; }));
    return reports_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<ServerStatus> reports_;
};

TEST_F(NewsStatusTest, ThePollRepeatsUntilClosingIsSet) {
  LauncherConfig config;
  config.statusUrl = publish("status.json", R"({"online":true,"players":5})");
  Reported reported;
  std::atomic<bool> closing{false};
  std::thread poll([&] { pollStatus(config, reported.reporter(), closing, StatusPause{1, 1}); });
  const std::vector<ServerStatus> reports = reported.waitFor(3);
  closing = true;
  poll.join();
  for (const ServerStatus& report : reports) EXPECT_EQ(report, (ServerStatus{true, true, 5}));
}

// With the real pause of a minute: closing during the pause ends the task
// after one query (a task that slept the whole minute would hold this test
// for that long).
TEST_F(NewsStatusTest, ClosingDuringThePauseEndsThePoll) {
  LauncherConfig config;
  config.statusUrl = publish("status.json", R"({"online":false})");
  Reported reported;
  std::atomic<bool> closing{false};
  std::thread poll([&] { pollStatus(config, reported.reporter(), closing); });
  reported.waitFor(1);
  closing = true;
  poll.join();
  EXPECT_EQ(reported.waitFor(1), std::vector<ServerStatus>{(ServerStatus{true, false, -1})});
}

}  // namespace
}  // namespace zv
