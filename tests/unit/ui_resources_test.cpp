// The window launcher's own resources, read from this test program, which is
// linked with the same resource object as ZarvoLauncher.exe. Windows only.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

}  // namespace
}  // namespace zv
