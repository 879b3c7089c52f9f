// ZarvoLauncher.exe end to end through the stand-in WebView2 runtime: what the
// launcher asks of the view, the page's handshake and an update check against
// nginx (judged against zarvo-launcher stdio on the same release), the
// navigation policy, the page's window commands, closing during a download,
// and the runtime-missing dialog. Runs under Wine on a virtual display.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "data/json.h"
#include "tests/support/release_maker.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"
#include "tests/windows/webview_standin/standin_control.h"
#include "webview/locator_rules.h"

namespace zv {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using test::ScopedEnv;
using test::ScopedKey;
using test::TempDir;

// Generous: a Wine process start on a busy machine can take seconds.
constexpr milliseconds kLimit{60000};
const fs::path kLauncher = ZV_LAUNCHER_EXE;
const fs::path kConsoleLauncher = ZV_CONSOLE_LAUNCHER_EXE;
const std::string kDownloadPage = "https://developer.microsoft.com/microsoft-edge/webview2/";

// The default browser for a scheme, replaced for one test. Wine reads the
// machine's classes only, so the machine's value is saved and put back.
class BrowserForScheme {
 public:
  BrowserForScheme(const wchar_t* scheme, const fs::path& browser)
      : key_(std::wstring(L"Software\\Classes\\") + scheme + L"\\shell\\open\\command") {
    wchar_t old[1024] = {};
    DWORD size = sizeof(old);
    hadOld_ = RegGetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, old, &size) ==
              ERROR_SUCCESS;
    old_ = old;
    set(L"\"" + browser.native() + L"\" \"%1\"");
  }
  ~BrowserForScheme() {
    if (hadOld_) set(old_);
    else RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr);
  }
  BrowserForScheme(const BrowserForScheme&) = delete;
  BrowserForScheme& operator=(const BrowserForScheme&) = delete;

 private:
  void set(const std::wstring& command) const {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, REG_SZ, command.c_str(),
                    static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  }
  std::wstring key_;
  std::wstring old_;
  bool hadOld_ = false;
};

class Process {
 public:
  Process(const fs::path& exe, const std::wstring& arguments, HANDLE input = nullptr, HANDLE output = nullptr) {
    std::wstring commandLine = L"\"" + exe.native() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (input) {
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = input;
      startup.hStdOutput = output;
      startup.hStdError = output;
    }
    started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, input != nullptr, 0, nullptr,
                              exe.parent_path().c_str(), &startup, &info_) != FALSE;
  }
  ~Process() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, static_cast<DWORD>(kLimit.count()));
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code, or -1 when the process is still running after limit.
  long exitCode(milliseconds limit = kLimit) const {
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

// zarvo-launcher stdio, for the events the page would receive.
class ConsoleLauncher {
 public:
  explicit ConsoleLauncher(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childIn = nullptr;
    HANDLE childOut = nullptr;
    CreatePipe(&childIn, &toChild_, &inherit, 0);
    CreatePipe(&fromChild_, &childOut, &inherit, 0);
    SetHandleInformation(toChild_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromChild_, HANDLE_FLAG_INHERIT, 0);
    process_ = std::make_unique<Process>(kConsoleLauncher, L"stdio " + arguments, childIn, childOut);
    CloseHandle(childIn);
    CloseHandle(childOut);
  }
  ~ConsoleLauncher() {
    CloseHandle(toChild_);
    CloseHandle(fromChild_);
  }
  ConsoleLauncher(const ConsoleLauncher&) = delete;
  ConsoleLauncher& operator=(const ConsoleLauncher&) = delete;

  void send(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(toChild_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  // Output lines up to and including the first that contains marker.
  std::vector<std::string> until(const std::string& marker) {
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + kLimit;
    while (std::chrono::steady_clock::now() < deadline) {
      size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (line.find(marker) != std::string::npos) return lines;
        continue;
      }
      DWORD available = 0;
      if (!PeekNamedPipe(fromChild_, nullptr, 0, nullptr, &available, nullptr)) break;
      if (available == 0) {
        std::this_thread::sleep_for(milliseconds(20));
        continue;
      }
      std::string chunk(available, '\0');
      DWORD read = 0;
      if (!ReadFile(fromChild_, chunk.data(), available, &read, nullptr)) break;
      buffer_.append(chunk, 0, read);
    }
    ADD_FAILURE() << "no output line with " << marker;
    return lines;
  }
  long close() {
    send(R"({"cmd":"close"})");
    return process_->exitCode();
  }

 private:
  HANDLE toChild_ = nullptr;
  HANDLE fromChild_ = nullptr;
  std::unique_ptr<Process> process_;
  std::string buffer_;
};

struct WindowSearch {
  DWORD process;
  std::wstring classPrefix;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[256] = {};
  wchar_t title[256] = {};
  GetClassNameW(window, name, 256);
  GetWindowTextW(window, title, 256);
  if (owner == search->process && std::wstring_view(name).starts_with(search->classPrefix) &&
      (!search->title || std::wstring_view(title) == search->title)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of the process, waited for up to kLimit.
HWND waitForWindow(const Process& process, const wchar_t* classPrefix, const wchar_t* title) {
  const auto deadline = std::chrono::steady_clock::now() + kLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    WindowSearch search{process.id(), classPrefix, title, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found && IsWindowVisible(search.found)) return search.found;
    if (process.exitCode(milliseconds(0)) != -1) return nullptr;
    std::this_thread::sleep_for(milliseconds(50));
  }
  return nullptr;
}

template <typename Condition>
bool waitUntil(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + kLimit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(20));
  }
  return true;
}

std::string noise(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// What the launcher posted to the page, progress left out (its pacing
// depends on timing).
std::vector<std::string> postedEvents(const std::vector<std::string>& journal) {
  std::vector<std::string> events;
  for (const std::string& line : journal) {
    if (line.starts_with("post ") && !line.starts_with(R"(post {"type":"progress")")) events.push_back(line.substr(5));
  }
  return events;
}

std::vector<std::string> withoutProgress(const std::vector<std::string>& lines) {
  std::vector<std::string> events;
  for (const std::string& line : lines) {
    if (!line.starts_with(R"({"type":"progress")")) events.push_back(line);
  }
  return events;
}

bool contains(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

class GuiLauncher : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(test::findTestServers(servers_, error)) << error;
    published_ = std::make_unique<test::PublishedFolder>(servers_);
    fs::copy_file(kLauncher, client_.path() / kLauncher.filename());
    channel_ = std::make_unique<test::StandInChannel>(work_.path());
  }

  void publish() {
    test::Release release(published_->path());
    for (const auto& [path, bytes] : sources_) release.addFile(path, bytes);
    release.setBuild("b1");
    release.publish();
  }
  void configure(const fs::path& client, const std::string& updateUrl) const {
    Json config = Json::object();
    config.set("serverName", "Window Test");
    config.set("updateUrl", updateUrl);
    config.set("publicKey", test::TestKey().publicKeyHex());
    config.set("desktopShortcut", false);
    test::writeFile(client / "ZarvoLauncher.json", config.dump(true));
  }
  std::unique_ptr<Process> start(const std::wstring& arguments = L"") const {
    auto process = std::make_unique<Process>(client_.path() / kLauncher.filename(), arguments);
    EXPECT_TRUE(process->started());
    return process;
  }
  // "message" commands carry a page command as the page's postMessage would.
  void page(std::string_view command) { channel_->send("message " + std::string(command)); }
  // Waits for the page to be shown; the lines the launcher wrote until then.
  std::vector<std::string> waitForNavigation() const {
    EXPECT_TRUE(channel_->waitFor("navigate ", kLimit)) << "the view was never navigated";
    return channel_->lines();
  }

  test::TestServers servers_;
  std::unique_ptr<test::PublishedFolder> published_;
  TempDir work_;
  TempDir client_;
  std::unique_ptr<test::StandInChannel> channel_;
  BrowserForScheme https_{L"https", test::standInBrowser()};
  BrowserForScheme http_{L"http", test::standInBrowser()};
  std::vector<std::pair<std::string, std::string>> sources_ = {{"system/data.bin", noise(300000, 1)},
                                                               {"readme.txt", "Read me\n"}};
};

TEST_F(GuiLauncher, ThePageIsShownChecksForUpdatesAndKeepsToItsOwnFiles) {
  publish();
  configure(client_.path(), published_->url(servers_.nginx, ""));
  // Installed as EdgeUpdate installs the stable runtime for this user.
  const fs::path runtime = work_.path() / "runtime" / "120.0.2210.91";
  test::installRuntime(runtime);
  const ScopedKey installed(HKEY_CURRENT_USER, std::wstring(L"Software\\Microsoft\\EdgeUpdate\\ClientState\\") +
                                                   releaseChannel(0).clientStateGuid);
  installed.set(L"EBWebView", runtime.native());

  auto launcher = start();
  const std::vector<std::string> shown = waitForNavigation();
  ASSERT_EQ(shown.size(), 12u);
  EXPECT_TRUE(shown[0].starts_with("create one=1 kind=0 userData=")) << shown[0];
  EXPECT_NE(shown[0].find("\\ZarvoLauncher\\WebView2 options=none library=" + clientLibraryPath(runtime).string()),
            std::string::npos)
      << shown[0];
  // 1000 x 620 at 96 DPI; the dark default background #0E0C0F, opaque.
  const std::vector<std::string> setup(shown.begin() + 1, shown.end() - 1);
  EXPECT_EQ(setup, (std::vector<std::string>{
                       "controller parent=window", "bounds 0 0 1000 620", "background 255 14 12 15",
                       "setting contextMenus 0", "setting devTools 0", "setting statusBar 0",
                       "setting zoomControl 0", "handler webMessageReceived", "handler newWindowRequested",
                       "handler navigationStarting"}));
  EXPECT_TRUE(shown.back().starts_with("navigate file:///")) << shown.back();
  EXPECT_TRUE(shown.back().ends_with("/index.html?mode=dark&theme=classic")) << shown.back();

  // Events wait for the page's "ready": the answer to an earlier command
  // comes first, then init, then the automatic check.
  page(R"({"cmd":"getSettings"})");
  page(R"({"cmd":"ready"})");
  ASSERT_TRUE(channel_->waitFor(R"(post {"type":"done")", kLimit));
  const std::vector<std::string> events = postedEvents(channel_->lines());
  ASSERT_GE(events.size(), 3u);
  EXPECT_TRUE(events[0].starts_with(R"({"type":"settings")")) << events[0];
  EXPECT_EQ(events.back(), R"({"type":"done","ok":true,"canPlay":true,"code":"updated","detail":"","build":"b1"})");
  for (const auto& [path, bytes] : sources_) EXPECT_TRUE(test::readFile(client_.path() / path) == bytes) << path;

  {  // The console launcher gives the page the same events for the same release.
    const TempDir otherClient;
    const TempDir otherData;
    configure(otherClient.path(), published_->url(servers_.nginx, ""));
    ConsoleLauncher console(L"--client \"" + otherClient.path().native() + L"\" --data \"" +
                            otherData.path().native() + L"\"");
    console.send(R"({"cmd":"getSettings"})");
    console.send(R"({"cmd":"ready"})");
    std::vector<std::string> expected = withoutProgress(console.until(R"("type":"done")"));
    EXPECT_EQ(events, expected);
    EXPECT_EQ(console.close(), 0);
  }

  // Web addresses leave for the browser; local pages stay; mail links and
  // non-string messages do nothing.
  channel_->send("navigate https://example.com/news");
  channel_->send("navigate file:///C:/page/other.html");
  channel_->send("newwindow https://example.com/shop");
  channel_->send("newwindow mailto:team@example.com");
  channel_->send("nonstring");
  ASSERT_TRUE(channel_->waitFor("browser https://example.com/shop", kLimit));
  ASSERT_TRUE(channel_->waitFor("browser https://example.com/news", kLimit));
  const std::vector<std::string> journal = channel_->lines();
  EXPECT_TRUE(contains(journal, "navigation https://example.com/news cancelled"));
  EXPECT_TRUE(contains(journal, "navigation file:///C:/page/other.html allowed"));
  EXPECT_TRUE(contains(journal, "newwindow https://example.com/shop handled"));
  EXPECT_TRUE(contains(journal, "newwindow mailto:team@example.com handled"));

  // The page's window commands. "drag" hands the window to the system's move
  // loop, which runs until the mouse button comes up; the launcher answers
  // the page meanwhile.
  const HWND window = waitForWindow(*launcher, L"ZarvoLauncherWindow_", nullptr);
  ASSERT_NE(window, nullptr);
  const size_t before = channel_->lines().size();
  page(R"({"cmd":"drag"})");
  page(R"({"cmd":"getSettings"})");
  EXPECT_TRUE(channel_->waitFor(R"(post {"type":"settings")", kLimit, before));
  PostMessageW(window, WM_LBUTTONUP, 0, 0);
  page(R"({"cmd":"minimize"})");
  EXPECT_TRUE(waitUntil([&] { return IsIconic(window) != FALSE; }));
  page(R"({"cmd":"close"})");
  EXPECT_EQ(launcher->exitCode(), 0);
  EXPECT_EQ(channel_->lines().back(), "close");
  for (const std::string& line : channel_->lines()) EXPECT_FALSE(line.starts_with("browser mailto:")) << line;
}

TEST_F(GuiLauncher, ClosingDuringADownloadCancelsAndJoinsTheJob) {
  publish();
  // 1 KiB every 20 ms: the download is still running when the page closes.
  configure(client_.path(), servers_.fault + "/s/trickle-20/" + published_->name() + "/");
  const fs::path runtime = work_.path() / "fixed runtime";
  test::installRuntime(runtime);
  const ScopedEnv folder(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", runtime.c_str());

  auto launcher = start(L"--dev");
  const std::vector<std::string> shown = waitForNavigation();
  ASSERT_FALSE(shown.empty());
  EXPECT_TRUE(shown[0].starts_with("create one=1 kind=1 ")) << shown[0];
  EXPECT_TRUE(contains(shown, "setting contextMenus 1"));
  EXPECT_TRUE(contains(shown, "setting devTools 1"));

  page(R"({"cmd":"ready"})");
  ASSERT_TRUE(channel_->waitFor(R"(post {"type":"phase","phase":"download"})", kLimit));
  ASSERT_TRUE(waitUntil([&] {
    for (const std::string& line : channel_->lines()) {
      if (line.starts_with(R"(post {"type":"progress")") &&
          Json::parse(line.substr(5)).get("bytesDone").numberOr(0) > 0) {
        return true;
      }
    }
    return false;
  }));
  page(R"({"cmd":"close"})");
  EXPECT_EQ(launcher->exitCode(), 0);
  for (const std::string& line : channel_->lines()) EXPECT_FALSE(line.starts_with(R"(post {"type":"done")")) << line;
  // What arrived stays for the next start to resume.
  bool partial = false;
  for (const auto& entry : fs::directory_iterator(client_.path() / ".zarvo_update")) {
    partial = partial || entry.path().extension() == ".part";
  }
  EXPECT_TRUE(partial);
}

// The dialog's message text (the static control of a message box).
std::wstring dialogText(HWND dialog) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, 0xFFFF, text, 1024);
  return text;
}

TEST_F(GuiLauncher, WithoutAWorkingRuntimeTheDialogShowsTheCodeAndTheLauncherEnds) {
  configure(client_.path(), published_->url(servers_.nginx, ""));
  const std::wstring text =
      L"Launcheriui reikalingas Microsoft Edge WebView2 Runtime (0x%08lX).\n"
      L"The launcher needs the Microsoft Edge WebView2 Runtime.\n\n"
      L"Atsisi\u0173sti dabar? / Download it now?";
  auto expected = [&](unsigned long code) {
    wchar_t formatted[512];
    std::swprintf(formatted, 512, text.c_str(), code);
    return std::wstring(formatted);
  };
  {  // No runtime installed anywhere: "Yes" opens the download page.
    auto launcher = start();
    const HWND dialog = waitForWindow(*launcher, L"#32770", L"ZarvoLauncher");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialogText(dialog), expected(0x80070002));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    EXPECT_EQ(launcher->exitCode(), 0);
    EXPECT_TRUE(channel_->waitFor("browser " + kDownloadPage, kLimit));
  }
  {  // A runtime whose controller cannot be made: its code, and "No".
    const fs::path runtime = work_.path() / "runtime";
    test::installRuntime(runtime);
    const ScopedEnv folder(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", runtime.c_str());
    const ScopedEnv fail(L"ZV_STANDIN_FAIL", L"controller");
    const size_t before = channel_->lines().size();
    auto launcher = start();
    const HWND dialog = waitForWindow(*launcher, L"#32770", L"ZarvoLauncher");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialogText(dialog), expected(0x8007139F));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    EXPECT_EQ(launcher->exitCode(), 0);
    const std::vector<std::string> lines = channel_->lines();
    for (size_t i = before; i < lines.size(); ++i) EXPECT_FALSE(lines[i].starts_with("browser")) << lines[i];
  }
}

}  // namespace
}  // namespace zv
