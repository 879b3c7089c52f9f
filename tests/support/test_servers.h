#pragma once
// The HTTP servers of the integration tests, started by ctest before the
// tests that need them (zv_test(... SERVERS)) and found through the file named
// by the environment variable ZV_TEST_SERVERS. All listen on 127.0.0.1 and
// serve the same folder, root; a test publishes its files in a TempDir made
// inside root and asks for them by that folder's name.

#include <filesystem>
#include <string>
#include <string_view>

#include "tests/support/temp_dir.h"

namespace zv::test {

struct TestServers {
  std::string fault;      // the fault-injecting server ("http://127.0.0.1:port")
  std::string nginx;      // nginx with the update server's configuration
  std::string nginxBusy;  // the same, serving one request at a time (503 beyond)
  std::string nginxTls;   // https with a self-signed certificate
  std::filesystem::path root;
};

// Reads the servers' description once per process. False, with the reason,
// when the tests were not started through ctest.
[[nodiscard]] bool findTestServers(TestServers& servers, std::string& error);

// A test's own folder inside the servers' root: what it publishes there
// every server serves under the folder's name.
class PublishedFolder {
 public:
  explicit PublishedFolder(const TestServers& servers);
  // Writes bytes as name (a "/"-separated path) into the folder.
  void publish(std::string_view name, std::string_view bytes) const;
  // The address of a published name on a server ("http://127.0.0.1:port").
  std::string url(const std::string& server, std::string_view name) const;
  const std::string& name() const { return name_; }
  const std::filesystem::path& path() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::string name_;
};

// True when a Windows test runs under Wine, whose WinHTTP differs from
// Windows' in a few error numbers.
bool runningUnderWine();

}  // namespace zv::test
