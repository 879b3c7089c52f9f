#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/host/ui_pack.h"
#include "platform/file.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/ui_pack_maker.h"

namespace zv {
namespace {

using test::le16;
using test::le32;
using test::packOf;
using test::readFile;
using test::TempDir;
using test::writeFile;

// Every file below folder by its "/"-separated name, with its bytes; names
// starting with "." are left out, as the pack tool leaves them out.
std::map<std::string, std::string> filesBelow(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (auto it = std::filesystem::recursive_directory_iterator(folder); it != std::filesystem::end(it); ++it) {
    if (it->path().filename().string().front() == '.') {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file()) {
      files[std::filesystem::relative(it->path(), folder).generic_string()] = readFile(it->path());
    }
  }
  return files;
}

TEST(UiPack, TheBuiltPackHoldsTheWholePageFolderByteForByte) {
  std::string pack;
  ASSERT_TRUE(readTextFile(ZV_UI_PACK_FILE, pack));
  TempDir out;
  UiPackError error;
  ASSERT_TRUE(unpackUiPack(pack, out.path(), error)) << error.text;
  const auto page = filesBelow(ZV_PAGE_FOLDER);
  for (const char* name : {"index.html", "style.css", "app.js", "logo.png", "themes/themes.js"}) {
    EXPECT_EQ(page.count(name), 1u) << name;
  }
  EXPECT_EQ(filesBelow(out.path()), page);
}

TEST(UiPack, DamagedPacksAreRefusedAndNothingLandsOutsideTheFolder) {
  const std::string good = test::packEntry("ok.txt", "fine");
  struct Case {
    const char* what;
    std::string pack;
    UiPackFailure kind;
  };
  // One of each kind of damage; the fuzz target feeds the rest. Which names
  // are unsafe is isSafeRelativePath's rule.
  const Case cases[] = {
      {"seven bytes", std::string("ZUI1\0\0\0", 7), UiPackFailure::NotAPack},
      {"other magic", "ZUI2" + le32(0), UiPackFailure::NotAPack},
      {"name cut short", "ZUI1" + le32(1) + le16(5) + "abc", UiPackFailure::Damaged},
      {"data cut short", "ZUI1" + le32(1) + le16(1) + "a" + le32(10) + "abc", UiPackFailure::Damaged},
      {"size near 4 GiB", "ZUI1" + le32(1) + le16(1) + "a" + le32(0xFFFFFFFF) + "abc", UiPackFailure::Damaged},
      {"count beyond the entries", "ZUI1" + le32(2) + good, UiPackFailure::Damaged},
      {"parent step", "ZUI1" + le32(2) + good + test::packEntry("../escaped.txt", "x"), UiPackFailure::Damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir scratch;
    const std::filesystem::path folder = scratch.path() / "ui";
    UiPackError error;
    EXPECT_FALSE(unpackUiPack(c.pack, folder, error));
    EXPECT_EQ(error.kind, c.kind);
    EXPECT_EQ(error.text, c.kind == UiPackFailure::NotAPack ? "not a ui pack" : "ui pack is damaged");
    for (const auto& item : std::filesystem::directory_iterator(scratch.path())) {
      EXPECT_EQ(item.path(), folder);
    }
  }
}

TEST(UiPack, AFileThatCannotBeWrittenIsNamedAndEarlierFilesStay) {
  TempDir out;
  UiPackError error;
  // "a" is a file by the time "a/b" needs it to be a folder.
  EXPECT_FALSE(unpackUiPack(packOf({{"a", "first"}, {"a/b", "second"}}), out.path(), error));
  EXPECT_EQ(error.kind, UiPackFailure::CannotWrite);
  EXPECT_EQ(error.text, "cannot write a/b");
  EXPECT_EQ(readFile(out / "a"), "first");
}

TEST(UiPack, TheMarkerDecidesWhetherTheFolderIsExtractedAgain) {
  TempDir data;
  const std::filesystem::path folder = data.path() / "ui-1234";
  const std::string v1 = packOf({{"index.html", "<p>one</p>"}, {"old.txt", "only in the first"}});
  ASSERT_TRUE(extractUiPack(v1, folder));
  EXPECT_EQ(readFile(folder / ".version"), uiPackMarker(v1));
  EXPECT_EQ(readFile(folder / "old.txt"), "only in the first");

  // Unchanged pack: nothing is written, and the answer is whether the page is there.
  writeFile(folder / "stray.txt", "left by someone");
  EXPECT_TRUE(extractUiPack(v1, folder));
  EXPECT_EQ(readFile(folder / "stray.txt"), "left by someone");
  std::filesystem::remove(folder / "index.html");
  EXPECT_FALSE(extractUiPack(v1, folder));

  // A new pack replaces the folder: files the new one lacks disappear.
  const std::string v2 = packOf({{"index.html", "<p>two</p>"}, {"themes/new.css", "b{}"}});
  ASSERT_TRUE(extractUiPack(v2, folder));
  EXPECT_EQ(filesBelow(folder), (std::map<std::string, std::string>{{"index.html", "<p>two</p>"},
                                                                     {"themes/new.css", "b{}"}}));

  // A marker with a line end is a different marker.
  writeFile(folder / ".version", uiPackMarker(v2) + "\n");
  writeFile(folder / "stray.txt", "left by someone");
  ASSERT_TRUE(extractUiPack(v2, folder));
  EXPECT_FALSE(std::filesystem::exists(folder / "stray.txt"));
  EXPECT_EQ(readFile(folder / ".version"), uiPackMarker(v2));
}

TEST(UiPack, AnEmptyPackExtractsToAFolderWithoutAPage) {
  TempDir data;
  const std::filesystem::path folder = data.path() / "ui-1";
  const std::string empty = packOf({});
  ASSERT_EQ(empty.size(), 8u);
  // FNV-1a of the eight bytes, worked out separately, then ":" and the length.
  EXPECT_EQ(uiPackMarker(empty), "297173222:8");
  EXPECT_TRUE(extractUiPack(empty, folder));
  EXPECT_EQ(readFile(folder / ".version"), "297173222:8");
  EXPECT_FALSE(hasPageIndex(folder));
}

}  // namespace
}  // namespace zv
