// ZarvoLauncher.exe end to end through the stand-in WebView2 runtime: what the
// launcher asks of the view, the page's handshake and an update check against
// nginx (judged against zarvo-launcher stdio on the same release), the
// navigation policy, the page's window commands, closing during a download,
// and the runtime-missing dialog. Runs under Wine on a virtual display.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/json.h"
#include "tests/support/release_maker.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"
#include "tests/windows/gui_process.h"
#include "tests/windows/webview_standin/standin_control.h"
#include "webview/locator_rules.h"

namespace zv {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using test::ScopedEnv;
using test::ScopedKey;
using test::ConsoleLauncher;
using test::Process;
using test::TempDir;
using test::waitForWindow;
using test::waitUntil;

constexpr auto kLimit = test::kGuiLimit;
const fs::path kLauncher = ZV_LAUNCHER_EXE;
const fs::path kConsoleLauncher = ZV_CONSOLE_LAUNCHER_EXE;
const std::string kDownloadPage = "https://developer.microsoft.com/microsoft-edge/webview2/";

std::string noise(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Page events without the progress ones: their pacing depends on timing.
std::vector<std::string> withoutProgress(std::vector<std::string> events) {
  std::erase_if(events, [](const std::string& line) { return line.starts_with(R"({"type":"progress")"); });
  return events;
}

// What the launcher posted to the page.
std::vector<std::string> postedEvents(const std::vector<std::string>& journal) {
  std::vector<std::string> events;
  for (const std::string& line : journal) {
    if (line.starts_with("post ")) events.push_back(line.substr(5));
  }
  return withoutProgress(std::move(events));
}

bool contains(const std::vector<std::string>& lines, const std::string& wanted) {
  return std::ranges::find(lines, wanted) != lines.end();
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
  test::StandInBrowserFor https_{L"https"};
  test::StandInBrowserFor http_{L"http"};
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
  EXPECT_TRUE(events[1].starts_with(R"({"type":"init","serverName":"Window Test")")) << events[1];
  EXPECT_EQ(events.back(), R"({"type":"done","ok":true,"canPlay":true,"code":"updated","detail":"","build":"b1"})");
  for (const auto& [path, bytes] : sources_) EXPECT_TRUE(test::readFile(client_.path() / path) == bytes) << path;

  {  // The console launcher gives the page the same events for the same release.
    const TempDir otherClient;
    const TempDir otherData;
    configure(otherClient.path(), published_->url(servers_.nginx, ""));
    ConsoleLauncher console(kConsoleLauncher, L"--client \"" + otherClient.path().native() + L"\" --data \"" +
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

// Checks the code the runtime-missing dialog names, answers it and waits for
// the launcher to end.
void answerRuntimeMissing(const Process& launcher, unsigned long code, int button) {
  const HWND dialog = test::waitForMessageBox(launcher);
  ASSERT_NE(dialog, nullptr);
  wchar_t expected[512];
  std::swprintf(expected, 512,
                L"Launcheriui reikalingas Microsoft Edge WebView2 Runtime (0x%08lX).\n"
                L"The launcher needs the Microsoft Edge WebView2 Runtime.\n\n"
                L"Atsisi\u0173sti dabar? / Download it now?",
                code);
  EXPECT_EQ(test::messageText(dialog), expected);
  test::pressButton(dialog, button);
  EXPECT_EQ(launcher.exitCode(), 0);
}

TEST_F(GuiLauncher, WithoutAWorkingRuntimeTheDialogShowsTheCodeAndTheLauncherEnds) {
  configure(client_.path(), published_->url(servers_.nginx, ""));
  // No runtime installed anywhere: "Yes" opens the download page.
  answerRuntimeMissing(*start(), 0x80070002, IDYES);
  EXPECT_TRUE(channel_->waitFor("browser " + kDownloadPage, kLimit));

  // A runtime whose controller cannot be made: its code, and "No".
  const fs::path runtime = work_.path() / "runtime";
  test::installRuntime(runtime);
  const ScopedEnv folder(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", runtime.c_str());
  const ScopedEnv fail(L"ZV_STANDIN_FAIL", L"controller");
  const size_t before = channel_->lines().size();
  answerRuntimeMissing(*start(), 0x8007139F, IDNO);
  const std::vector<std::string> lines = channel_->lines();
  for (size_t i = before; i < lines.size(); ++i) EXPECT_FALSE(lines[i].starts_with("browser")) << lines[i];
}

}  // namespace
}  // namespace zv
