// The window launcher's own resources, read from this test program, which is
// linked with the same resource object as ZarvoLauncher.exe. Windows only.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <windows.h>

#include "app/host/ui_content.h"
#include "platform/file.h"
#include "platform/module_resource.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::readFile;
using test::TempDir;

const std::filesystem::path kPage = ZV_PAGE_FOLDER;

std::string resource(unsigned id) {
  std::string_view bytes;
  return moduleResource(id, bytes) ? std::string(bytes) : "<missing>";
}

TEST(UiResources, TheProgramCarriesThePageFilesThePackAndNoConfiguration) {
  EXPECT_EQ(resource(101), readFile(kPage / "index.html"));
  EXPECT_EQ(resource(102), readFile(kPage / "style.css"));
  EXPECT_EQ(resource(103), readFile(kPage / "app.js"));
  EXPECT_EQ(resource(104), readFile(kPage / "logo.png"));
  std::string pack;
  ASSERT_TRUE(readTextFile(ZV_UI_PACK_FILE, pack));
  EXPECT_EQ(resource(201), pack);
  // The publisher's tool adds the configuration to a finished program.
  EXPECT_EQ(resource(200), "<missing>");
}

TEST(UiResources, ThePageIsWrittenFromTheResources) {
  TempDir client;
  TempDir data;
  const UiPlaces places{client.path(), data.path(), "31"};
  EXPECT_EQ(prepareUiContent(places, moduleResource), data.path() / "ui-31" / "index.html");
  EXPECT_EQ(readFile(data / "ui-31/themes/themes.js"), readFile(kPage / "themes/themes.js"));

  // Without the pack, the single files.
  const auto withoutPack = [](unsigned id, std::string_view& bytes) {
    return id != kUiPackResource && moduleResource(id, bytes);
  };
  EXPECT_EQ(prepareUiContent(places, withoutPack), data.path() / "ui-default" / "index.html");
  for (const char* name : {"index.html", "style.css", "app.js", "logo.png"}) {
    EXPECT_EQ(readFile(data / "ui-default" / name), readFile(kPage / name)) << name;
  }
}

std::wstring manifestSetting(const wchar_t* nameSpace, const wchar_t* name) {
  wchar_t value[64] = {};
  SIZE_T written = 0;
  // No context handle: the process's own, made from the manifest at start.
  if (!QueryActCtxSettingsW(0, nullptr, nameSpace, name, value, 64, &written)) return L"<missing>";
  return value;
}

// A manifest setting with a mistyped name or namespace is ignored without a
// word, and the program then runs blurred by DPI scaling and held to short
// paths.
TEST(UiResources, TheManifestGovernsTheProcessAndTheIconLoads) {
  const wchar_t* const v2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
  const wchar_t* const v2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
  EXPECT_EQ(manifestSetting(v2016, L"dpiAwareness"), L"PerMonitorV2, PerMonitor");
  EXPECT_EQ(manifestSetting(v2005, L"dpiAware"), L"true/pm");
  EXPECT_EQ(manifestSetting(v2016, L"longPathAware"), L"true");

  // Icon 1 is the one the window class and the shell use.
  HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  EXPECT_NE(icon, nullptr);
  if (icon) DestroyIcon(icon);
}

}  // namespace
}  // namespace zv
