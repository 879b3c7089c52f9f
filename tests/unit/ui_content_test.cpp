#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/host/ui_content.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/ui_pack_maker.h"

namespace zv {
namespace {

using test::packOf;
using test::readFile;
using test::TempDir;
using test::writeFile;

class UiContentTest : public ::testing::Test {
 protected:
  std::filesystem::path prepare(const std::filesystem::path& dataFolder, const std::string& installTag = "4242") {
    const UiPlaces places{client.path(), dataFolder, installTag};
    return prepareUiContent(places, [this](unsigned id, std::string_view& bytes) {
      const auto found = resources.find(id);
      if (found == resources.end()) return false;
      bytes = found->second;
      return true;
    });
  }

  TempDir client;
  TempDir data;
  std::map<unsigned, std::string> resources = {
      {101, "<html>single</html>"}, {102, "body{}"}, {103, "run();"}, {104, "PNG"}};
  const std::string pack = packOf({{"index.html", "<html>pack</html>"}, {"themes/themes.js", "[]"}});
};

TEST_F(UiContentTest, ThePublishersUiFolderIsUsedAsItIs) {
  writeFile(client / "ui/index.html", "<html>publisher</html>");
  resources[201] = pack;
  EXPECT_EQ(prepare(data.path()), client.path() / "ui" / "index.html");
  EXPECT_TRUE(std::filesystem::is_empty(data.path()));
}

TEST_F(UiContentTest, ThePackGoesIntoAFolderOfTheClientFolder) {
  writeFile(client / "ui/style.css", "a ui folder without index.html does not count");
  resources[201] = pack;
  EXPECT_EQ(prepare(data.path(), "4242"), data.path() / "ui-4242" / "index.html");
  EXPECT_EQ(readFile(data / "ui-4242/index.html"), "<html>pack</html>");
  EXPECT_EQ(readFile(data / "ui-4242/themes/themes.js"), "[]");
  EXPECT_EQ(prepare(data.path(), "77"), data.path() / "ui-77" / "index.html");
  EXPECT_FALSE(std::filesystem::exists(data / "ui-default"));
}

TEST_F(UiContentTest, WithoutAUsablePackTheSharedSingleFilesAreUsed) {
  const std::map<std::string, std::string> packs = {
      {"no pack", ""},
      {"damaged pack", "ZUI1" + test::le32(1) + test::le16(5) + "ab"},
      {"pack without index.html", packOf({{"app.js", "x"}})},
  };
  resources.erase(104);  // a missing resource is skipped
  for (const auto& [what, bytes] : packs) {
    SCOPED_TRACE(what);
    TempDir dataFolder;
    if (bytes.empty()) {
      resources.erase(201);
    } else {
      resources[201] = bytes;
    }
    writeFile(dataFolder / "ui-default/style.css", "an older page's look");
    EXPECT_EQ(prepare(dataFolder.path()), dataFolder.path() / "ui-default" / "index.html");
    EXPECT_EQ(readFile(dataFolder / "ui-default/index.html"), "<html>single</html>");
    EXPECT_EQ(readFile(dataFolder / "ui-default/style.css"), "body{}");
    EXPECT_EQ(readFile(dataFolder / "ui-default/app.js"), "run();");
    EXPECT_FALSE(std::filesystem::exists(dataFolder / "ui-default/logo.png"));
  }
}

}  // namespace
}  // namespace zv
