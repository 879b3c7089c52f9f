#pragma once
// The HTTP servers of the integration tests, started by ctest before the
// tests that need them (zv_test(... SERVERS)) and found through the file named
// by the environment variable ZV_TEST_SERVERS. All listen on 127.0.0.1 and
// serve the same folder, root; a test publishes its files in a TempDir made
// inside root and asks for them by that folder's name.

#include <filesystem>
#include <string>

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

// True when a Windows test runs under Wine, whose WinHTTP differs from
// Windows' in a few error numbers.
bool runningUnderWine();

}  // namespace zv::test
