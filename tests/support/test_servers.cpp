#include "tests/support/test_servers.h"

#include <cstdlib>
#include <mutex>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/file.h"
#include "platform/text_path.h"

namespace zv::test {
namespace {

bool readServers(TestServers& servers, std::string& error) {
  const char* file = std::getenv("ZV_TEST_SERVERS");
  if (!file || !*file) {
    error =
        "ZV_TEST_SERVERS is not set: run this test through ctest, which starts the test servers "
        "(tests/support/test-servers)";
    return false;
  }
  std::string text;
  if (!readTextFile(pathFromUtf8(file), text)) {
    error = std::string("cannot read ") + file + " (did the test_servers_start test fail?)";
    return false;
  }
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "fault") servers.fault = value;
    if (key == "nginx") servers.nginx = value;
    if (key == "nginx_busy") servers.nginxBusy = value;
    if (key == "nginx_tls") servers.nginxTls = value;
    if (key == "root") servers.root = pathFromUtf8(value);
  }
  if (servers.fault.empty() || servers.nginx.empty() || servers.root.empty()) {
    error = std::string(file) + " lacks a server";
    return false;
  }
  return true;
}

}  // namespace

bool findTestServers(TestServers& servers, std::string& error) {
  static std::once_flag once;
  static TestServers found;
  static bool ok = false;
  static std::string reason;
  std::call_once(once, [] { ok = readServers(found, reason); });
  servers = found;
  error = reason;
  return ok;
}

bool runningUnderWine() {
#ifdef _WIN32
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
  return false;
#endif
}

PublishedFolder::PublishedFolder(const TestServers& servers)
    : dir_(servers.root), name_(pathToUtf8(dir_.path().filename())) {}

void PublishedFolder::publish(std::string_view name, std::string_view bytes) const { writeFile(dir_ / name, bytes); }

std::string PublishedFolder::url(const std::string& server, std::string_view name) const {
  return server + "/" + name_ + "/" + std::string(name);
}

}  // namespace zv::test
