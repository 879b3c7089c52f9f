// The web view module: the start URL, and the runtime locator against real
// registry values in the test's own Wine prefix, real folders and the
// stand-in runtime.
#include <windows.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/windows/webview_standin/standin_control.h"
#include "webview/com_ref.h"
#include "webview/handler.h"
#include "webview/locator_rules.h"
#include "webview/locator_settings.h"
#include "webview/navigation.h"
#include "webview/runtime_handover.h"
#include "webview/runtime_locator.h"
#include "webview/runtime_search.h"

namespace zv {
namespace {

using test::TempDir;

using test::ScopedEnv;
using test::ScopedKey;

std::wstring clientState(int channel) {
  return std::wstring(L"Software\\Microsoft\\EdgeUpdate\\ClientState\\") + releaseChannel(channel).clientStateGuid;
}

const std::wstring kPolicies = L"Software\\Policies\\Microsoft\\Edge\\WebView2";

std::filesystem::path exePath() {
  wchar_t path[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  return path;
}

struct Found {
  bool ok = false;
  RuntimeChoice choice;
  LocatorFailure failure;
  std::vector<std::wstring> notes;
};

Found search(const std::filesystem::path& exeFolder = exePath().parent_path()) {
  Found found;
  found.ok = findRuntime(readLocatorSettings(exePath().filename().native()), exeFolder, found.choice, found.failure,
                         found.notes);
  return found;
}

bool hasNote(const Found& found, const std::wstring& note) {
  for (const auto& text : found.notes) {
    if (text == note) return true;
  }
  return false;
}

TEST(WebViewLocator, ChannelOrderListAndVersionRules) {
  const TempDir temp;
  const std::filesystem::path stable = temp.path() / "stable" / "85.0.0.0";    // below the minimum
  const std::filesystem::path beta = temp.path() / "beta" / "86.0.616.0";      // exactly the minimum
  const std::filesystem::path dev = temp.path() / "dev" / "101.0.0.0";         // no client library
  const std::filesystem::path canary = temp.path() / "canary" / "102.0.0.0";
  test::installRuntime(stable);
  test::installRuntime(beta);
  test::installRuntime(canary);
  std::filesystem::create_directories(dev);
  const ScopedKey stableKey(HKEY_CURRENT_USER, clientState(0));
  const ScopedKey betaKey(HKEY_CURRENT_USER, clientState(1));
  const ScopedKey devKey(HKEY_CURRENT_USER, clientState(2));
  const ScopedKey canaryKey(HKEY_CURRENT_USER, clientState(3));
  stableKey.set(L"EBWebView", stable.native());
  betaKey.set(L"EBWebView", beta.native());
  devKey.set(L"EBWebView", dev.native());
  canaryKey.set(L"EBWebView", canary.native());

  {  // Most stable first: the old stable runtime is passed over.
    const Found found = search();
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.choice.clientLibrary, clientLibraryPath(beta));
    EXPECT_EQ(found.choice.kind, RuntimeKind::Installed);
    EXPECT_TRUE(hasNote(found, L"WebView2: skipped an incompatible version " + stable.native()));
  }
  {  // Reversed: least stable first; Internal has nothing, Canary wins.
    const ScopedEnv kind(L"WEBVIEW2_CHANNEL_SEARCH_KIND", L"1");
    const Found found = search();
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.choice.clientLibrary, clientLibraryPath(canary));
  }
  {  // The older preference name counts only when the search kind is absent.
    const ScopedEnv preference(L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE", L"1");
    EXPECT_EQ(search().choice.clientLibrary, clientLibraryPath(canary));
    const ScopedEnv kind(L"WEBVIEW2_CHANNEL_SEARCH_KIND", L"0");
    EXPECT_EQ(search().choice.clientLibrary, clientLibraryPath(beta));
  }
  {  // The list keeps Dev and (for the unknown 7) Stable: neither passes.
    const ScopedEnv list(L"WEBVIEW2_RELEASE_CHANNELS", L"2, 7");
    const Found found = search();
    EXPECT_FALSE(found.ok);
    EXPECT_EQ(found.failure.code, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(found.failure.text,
              L"WebView2: Failed to find an installed WebView2 runtime or non-stable Microsoft Edge installation.\n");
    EXPECT_TRUE(hasNote(found, L"WebView2: skipped inaccessible " + clientLibraryPath(dev).native()));
  }
  {  // A list with a reversed search: Canary before Beta.
    const ScopedEnv list(L"WEBVIEW2_RELEASE_CHANNELS", L"1,3");
    EXPECT_EQ(search().choice.clientLibrary, clientLibraryPath(beta));
    const ScopedEnv kind(L"WEBVIEW2_CHANNEL_SEARCH_KIND", L"1");
    EXPECT_EQ(search().choice.clientLibrary, clientLibraryPath(canary));
  }
  {  // The machine-wide install is looked at before the user's.
    const std::filesystem::path machine = temp.path() / "machine" / "120.0.1.2";
    test::installRuntime(machine);
    const ScopedKey machineKey(HKEY_LOCAL_MACHINE, clientState(0));
    machineKey.set(L"EBWebView", machine.native());
    EXPECT_EQ(search().choice.clientLibrary, clientLibraryPath(machine));
  }

  {  // The Edge browser itself, when asked for, serves as the stable channel.
    const std::filesystem::path edge = temp.path() / "Edge" / "Application";
    test::installRuntime(edge / "121.0.2277.83");
    const ScopedKey edgeKey(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\EdgeUpdate\\Clients\\{56EB18F8-B008-4CBD-B6D2-8C97FE7E9062}");
    edgeKey.set(L"location", edge.native());
    edgeKey.set(L"pv", L"121.0.2277.83");
    const ScopedEnv useEdge(L"WEBVIEW2_USE_EDGE_VIEW", L"1");
    const Found found = search();
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.choice.clientLibrary, clientLibraryPath(edge / "121.0.2277.83"));
    EXPECT_EQ(found.choice.kind, RuntimeKind::EdgeBrowser);
  }

  RuntimeVersion version{};
  EXPECT_TRUE(parseRuntimeVersion(L"120", version));
  EXPECT_EQ(version, (RuntimeVersion{120, 0, 0, 0}));
  EXPECT_FALSE(parseRuntimeVersion(L"1.2.3.4.5", version));
  EXPECT_FALSE(parseRuntimeVersion(L"86.0.x.0", version));
  EXPECT_FALSE(parseRuntimeVersion(L"4294967296.0", version));
}

TEST(WebViewLocator, EnvironmentOverPoliciesAndPolicyValueNames) {
  const std::wstring exeName = exePath().filename().native();
  const ScopedKey root(HKEY_CURRENT_USER, kPolicies);
  const ScopedKey channels(HKEY_CURRENT_USER, kPolicies + L"\\ReleaseChannels");
  const ScopedKey userData(HKEY_CURRENT_USER, kPolicies + L"\\UserDataFolder");
  const ScopedKey searchKind(HKEY_CURRENT_USER, kPolicies + L"\\ChannelSearchKind");
  channels.set(L"*", L"1");
  userData.set(L"*", L"C:\\everyone");
  searchKind.set(exeName.c_str(), DWORD{1});

  LocatorSettings settings = readLocatorSettings(exeName);
  EXPECT_EQ(settings.channels, (std::vector<int>{1}));
  EXPECT_FALSE(settings.userDataFolder) << "the user data folder takes no wildcard";
  EXPECT_TRUE(settings.reversed) << "a REG_DWORD 1 reverses the search";

  channels.set(exeName.c_str(), L"3,4");
  userData.set(exeName.c_str(), L"C:\\mine");
  settings = readLocatorSettings(exeName);
  EXPECT_EQ(settings.channels, (std::vector<int>{3, 4}));
  EXPECT_EQ(settings.userDataFolder, L"C:\\mine");

  {  // Machine policies come before the user's.
    const ScopedKey machine(HKEY_LOCAL_MACHINE, kPolicies + L"\\ReleaseChannels");
    machine.set(exeName.c_str(), L"2");
    EXPECT_EQ(readLocatorSettings(exeName).channels, (std::vector<int>{2}));
  }
  {  // An environment variable wins over every policy.
    const ScopedEnv list(L"WEBVIEW2_RELEASE_CHANNELS", L"0");
    const ScopedEnv folder(L"WEBVIEW2_USER_DATA_FOLDER", L"C:\\from-env");
    const ScopedEnv kind(L"WEBVIEW2_CHANNEL_SEARCH_KIND", L"0");
    settings = readLocatorSettings(exeName);
    EXPECT_EQ(settings.channels, (std::vector<int>{0}));
    EXPECT_EQ(settings.userDataFolder, L"C:\\from-env");
    EXPECT_FALSE(settings.reversed);
  }
  {  // With the Edge browser selected, channel settings take no wildcard.
    const ScopedEnv edge(L"WEBVIEW2_USE_EDGE_VIEW", L"1");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, (kPolicies + L"\\ReleaseChannels").c_str(), exeName.c_str());
    settings = readLocatorSettings(exeName);
    EXPECT_TRUE(settings.useEdgeBrowser);
    EXPECT_FALSE(settings.channels);
  }
}

TEST(WebViewLocator, ExplicitBrowserFolder) {
  const TempDir besideExe(exePath().parent_path());
  test::installRuntime(besideExe.path());
  {  // Relative: beside the launcher's executable.
    const ScopedEnv folder(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", besideExe.path().filename().c_str());
    const Found found = search();
    ASSERT_TRUE(found.ok) << std::string(found.failure.text.begin(), found.failure.text.end());
    EXPECT_EQ(found.choice.clientLibrary, clientLibraryPath(besideExe.path()));
    EXPECT_EQ(found.choice.kind, RuntimeKind::ExplicitFolder);
  }
  {  // Absolute, and the search is skipped even when it would fail.
    const ScopedEnv folder(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", besideExe.path().c_str());
    const ScopedEnv list(L"WEBVIEW2_RELEASE_CHANNELS", L"4");
    const Found found = search(L"C:\\elsewhere");
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.choice.clientLibrary, clientLibraryPath(besideExe.path()));
  }
  {
    const TempDir empty;
    const ScopedEnv folder(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", empty.path().c_str());
    const Found found = search();
    EXPECT_FALSE(found.ok);
    EXPECT_EQ(found.failure.code, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(found.failure.text,
              L"WebView2: Failed to find the WebView2 client dll at: " + clientLibraryPath(empty.path()).native());
  }
  EXPECT_EQ(resolveBrowserFolder(L"\\\\server\\share\\rt", L"C:\\app"), std::filesystem::path(L"\\\\server\\share\\rt"));
  EXPECT_EQ(resolveBrowserFolder(L"D:\\rt", L"C:\\app"), std::filesystem::path(L"D:\\rt"));
  EXPECT_EQ(resolveBrowserFolder(L"D:rt", L"C:\\app"), std::filesystem::path(L"C:\\app\\D:rt"));
}

// Pumps this thread's messages (the runtime completes through them) until
// done or the limit passes.
template <typename Done>
bool pumpUntil(Done done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return true;
}

struct Completion {
  bool called = false;
  HRESULT result = E_PENDING;
  bool hasEnvironment = false;
};

HRESULT createEnvironment(Completion& completion, PCWSTR userData) {
  auto handler = Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT,
                         ICoreWebView2Environment*>::make([&completion](HRESULT result, ICoreWebView2Environment* env) {
    completion = {true, result, env != nullptr};
    return S_OK;
  });
  return CreateCoreWebView2EnvironmentWithOptions(nullptr, userData, nullptr, handler.get());
}

TEST(WebViewLocator, HandsOverToTheRuntimeRepeatsAFailedAttemptOnceAndReportsFailures) {
  const TempDir temp;
  const std::filesystem::path runtime = temp.path() / "runtime";
  test::installRuntime(runtime);
  const test::StandInChannel channel(temp.path());
  const std::string library = "library=" + clientLibraryPath(runtime).string();
  // Creates an environment, the runtime failing once at `failing` unless
  // null; the line the runtime logged last.
  const auto created = [&](PCWSTR userData, const char* failing) {
    const ScopedEnv folder(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", runtime.c_str());
    const std::filesystem::path failOnce = temp.path() / "fail-once";
    if (failing != nullptr) test::writeFile(failOnce, failing);
    const ScopedEnv fail(L"ZV_STANDIN_FAIL_ONCE", failing != nullptr ? failOnce.c_str() : nullptr);
    Completion completion;
    EXPECT_EQ(createEnvironment(completion, userData), S_OK);
    EXPECT_TRUE(pumpUntil([&] { return completion.called; }, std::chrono::seconds(10)));
    EXPECT_EQ(completion.result, S_OK);
    EXPECT_TRUE(completion.hasEnvironment);
    return channel.lines().empty() ? std::string() : channel.lines().back();
  };

  EXPECT_EQ(created(L"C:\\data\\WebView2", nullptr),
            "create one=1 kind=1 userData=C:\\data\\WebView2 options=none " + library);
  {  // A failure reported through the handler is repeated once, unseen.
    const ScopedEnv userData(L"WEBVIEW2_USER_DATA_FOLDER", L"C:\\override");
    EXPECT_EQ(created(L"C:\\data\\WebView2", "environment"),
              "create one=1 kind=1 userData=C:\\override options=none " + library);
    EXPECT_EQ(channel.lines().size(), 3u);
  }
  // So is a failure of the call itself.
  EXPECT_EQ(created(nullptr, "return"), "create one=1 kind=1 userData=(none) options=none " + library);
  EXPECT_EQ(channel.lines().size(), 5u);

  const std::filesystem::path noEntry = temp.path() / "no-entry";
  test::installRuntime(noEntry, test::noEntryLibrary());
  {
    const ScopedEnv folder(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", noEntry.c_str());
    Completion completion;
    EXPECT_EQ(createEnvironment(completion, nullptr), HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    EXPECT_FALSE(completion.called);

    RuntimeChoice choice{clientLibraryPath(noEntry), RuntimeKind::ExplicitFolder};
    LocatorFailure failure;
    EXPECT_FALSE(handOverToRuntime(choice, nullptr, nullptr, nullptr, failure));
    EXPECT_EQ(failure.text,
              L"WebView2: CoreWebView2Environment failed when trying to call into EmbeddedBrowserWebView.dll. "
              L"hr=0x8007007F");
  }
  {  // No runtime anywhere: the code the runtime-missing dialog shows.
    const ScopedEnv list(L"WEBVIEW2_RELEASE_CHANNELS", L"4");
    Completion completion;
    EXPECT_EQ(createEnvironment(completion, nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(completion.called);
  }
}

TEST(WebViewStartUrl, ModeAndThemeFollowThePreferences) {
  const std::filesystem::path page = L"C:\\Program Files\\Zarvo Game\\ui\\index.html";
  const std::wstring file = L"file:///C:/Program%20Files/Zarvo%20Game/ui/index.html";
  EXPECT_EQ(startUrl(page, false, "classic"), file + L"?mode=dark&theme=classic");
  EXPECT_EQ(startUrl(page, true, "ember-2"), file + L"?mode=light&theme=ember-2");
  // A stored theme that is not a valid name is left out, not escaped.
  EXPECT_EQ(startUrl(page, true, "Ember"), file + L"?mode=light");
  EXPECT_EQ(startUrl(page, false, "a&b"), file + L"?mode=dark");
  EXPECT_EQ(startUrl(page, false, ""), file + L"?mode=dark");
}

}  // namespace
}  // namespace zv
