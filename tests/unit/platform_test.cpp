#include <gtest/gtest.h>

#include <regex>

#include "data/fnv1a.h"
#include "platform/file.h"
#include "platform/log.h"
#include "platform/text_path.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(JoinRelative, AppendsEachSegmentAndSkipsEmptyOnes) {
  const std::filesystem::path base = pathFromUtf8("base");
  EXPECT_EQ(joinRelative(base, ""), base);
  EXPECT_EQ(joinRelative(base, "a/b/c.txt"), base / "a" / "b" / "c.txt");
  EXPECT_EQ(joinRelative(base, "a//b/"), base / "a" / "b");
}

TEST(JoinRelative, KeepsNonAsciiNamesThroughTheRoundTrip) {
  const std::string name = "\xC5\xBE" "aidimas \xD0\xB8\xD0\xB3\xD1\x80\xD0\xB0.txt";  // žaidimas игра.txt
  EXPECT_EQ(pathToUtf8(joinRelative(pathFromUtf8("x"), "dir/" + name).filename()), name);
}

TEST(Utf8ToUtf16, EncodesSurrogatePairsAndReplacesInvalidBytes) {
  EXPECT_EQ(utf8ToUtf16("A\xC3\xA9"), std::u16string(u"A\u00e9"));
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\U0001F600"));
  EXPECT_EQ(utf8ToUtf16("\xFF" "a"), std::u16string(u"\uFFFDa"));
  EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD\uFFFD"));  // overlong "/"
  EXPECT_EQ(utf8ToUtf16("\xE2\x82"), std::u16string(u"\uFFFD\uFFFD"));   // cut short
}

TEST(TextFiles, ReadReturnsRawBytesAndFailsOnMissingFile) {
  TempDir dir;
  const std::string bytes("a\r\nb\0c\n", 7);
  writeFile(dir / "f.bin", bytes);
  std::string got = "old";
  ASSERT_TRUE(readTextFile(dir / "f.bin", got));
  EXPECT_EQ(got, bytes);
  got = "kept";
  EXPECT_FALSE(readTextFile(dir / "missing", got));
  EXPECT_EQ(got, "kept");
  EXPECT_FALSE(readTextFile(dir.path(), got)) << "a folder is not a text file";
}

TEST(TextFiles, AtomicWriteCreatesFoldersReplacesAndLeavesNoTemporary) {
  TempDir dir;
  const auto target = dir / "new/deeper/prefs.json";
  ASSERT_TRUE(writeTextFileAtomic(target, "first\n"));
  ASSERT_TRUE(writeTextFileAtomic(target, "second\r\n"));
  EXPECT_EQ(readFile(target), "second\r\n");
  EXPECT_FALSE(std::filesystem::exists(withSuffix(target, ".tmp")));
}

TEST(TextFiles, AtomicWriteOverwritesAStaleTemporary) {
  TempDir dir;
  writeFile(dir / "a.json.tmp", "stale stale stale");
  ASSERT_TRUE(writeTextFileAtomic(dir / "a.json", "x"));
  EXPECT_EQ(readFile(dir / "a.json"), "x");
}

TEST(TextFiles, AtomicWriteFailsWhenTheTemporaryCannotBeCreated) {
  TempDir dir;
  std::filesystem::create_directories(dir / "a.json.tmp");  // a folder where the temporary goes
  EXPECT_FALSE(writeTextFileAtomic(dir / "a.json", "x"));
  EXPECT_FALSE(std::filesystem::exists(dir / "a.json"));
}

TEST(Log, AppendsStampedLinesWithCrLf) {
  TempDir dir;
  const auto log = dir / "ZarvoLauncher.log";
  writeLog(log, "first");
  writeLog(log, "second \xC3\xA9");
  const std::string text = readFile(log);
  const std::regex line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  first\r\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  second \xC3\xA9\r\n)");
  EXPECT_TRUE(std::regex_match(text, line)) << text;
}

TEST(Log, StartsAfreshOnlyOnceTheFileExceeds256KiB) {
  TempDir dir;
  const auto log = dir / "ZarvoLauncher.log";
  writeFile(log, std::string(262144, 'x'));
  writeLog(log, "kept");
  EXPECT_GT(std::filesystem::file_size(log), 262144u) << "exactly 256 KiB is not yet too large";
  writeLog(log, "fresh");
  EXPECT_LT(std::filesystem::file_size(log), 64u);
  EXPECT_NE(readFile(log).find("fresh"), std::string::npos);
}

TEST(Fnv1a, MatchesTheReferenceValues) {
  EXPECT_EQ(fnv1a("", 0), 2166136261u);
  EXPECT_EQ(fnv1a("a", 1), 0xe40c292cu);
  EXPECT_EQ(fnv1a("foobar", 6), 0xbf9cf968u);
}

}  // namespace
}  // namespace zv
