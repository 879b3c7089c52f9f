#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

#include "data/fnv1a.h"
#include "platform/file.h"
#include "platform/file_info.h"
#include "platform/folder_lock.h"
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
  // A file over the limit counts as unreadable; one of exactly the limit does not.
  EXPECT_TRUE(readTextFile(dir / "f.bin", got, bytes.size()));
  EXPECT_FALSE(readTextFile(dir / "f.bin", got, bytes.size() - 1));
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

TEST(TextFiles, AtomicWriteNeverDeletesAFolderInTheTargetsPlace) {
  TempDir dir;
  std::filesystem::create_directories(dir / "a.json");
  EXPECT_FALSE(writeTextFileAtomic(dir / "a.json", "x"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a.json"));
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

// An antivirus or the search indexer holds a file it scans for a moment with
// no sharing (Windows); replacing it then must not fail the whole job.
TEST(TextFiles, ReplaceWaitsOutAHolderThatLetsGoSoon) {
  TempDir dir;
  writeFile(dir / "a.dll.zvnew", "new");
  writeFile(dir / "a.dll", "old");
  std::string error;
  FolderLock scanner;
  ASSERT_EQ(scanner.tryTake(dir / "a.dll", error), FolderLock::Outcome::Taken) << error;
  std::thread letGo([&scanner] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    scanner.release();
  });
  const bool replaced = replaceFile(dir / "a.dll.zvnew", dir / "a.dll", error);
  letGo.join();
  EXPECT_TRUE(replaced) << error;
  EXPECT_EQ(readFile(dir / "a.dll"), "new");
}

TEST(FileInfo, SizeAndTimeOfRegularFilesOnly) {
  TempDir dir;
  writeFile(dir / "f", "12345");
  uint64_t size = 0;
  ASSERT_TRUE(fileSize(dir / "f", size));
  EXPECT_EQ(size, 5u);
  EXPECT_FALSE(fileSize(dir / "missing", size));
  EXPECT_FALSE(fileSize(dir.path(), size)) << "a folder has no file size";

  // Windows file time: 100 ns ticks since 1601. 2020-01-01 00:00:00 UTC is 132223104000000000.
  const auto when = std::filesystem::file_time_type::clock::now();
  std::filesystem::last_write_time(dir / "f", when);
  int64_t ticks = 0;
  ASSERT_TRUE(lastWriteTicks(dir / "f", ticks));
  EXPECT_GT(ticks, 132223104000000000LL);
  EXPECT_LT(ticks, 132223104000000000LL + 100LL * 365 * 24 * 3600 * 10000000LL);
  int64_t again = 0;
  ASSERT_TRUE(lastWriteTicks(dir / "f", again));
  EXPECT_EQ(ticks, again);
  std::filesystem::last_write_time(dir / "f", when + std::chrono::seconds(2));
  ASSERT_TRUE(lastWriteTicks(dir / "f", again));
  EXPECT_EQ(again - ticks, 20000000);
  EXPECT_FALSE(lastWriteTicks(dir / "missing", ticks));
}

TEST(FileInfo, IdentityIsTheObjectNotTheText) {
  TempDir dir;
  std::filesystem::create_directories(dir / "a/b");
  EXPECT_TRUE(sameFileObject(dir / "a/b", dir / "a/./b"));
  EXPECT_TRUE(sameFileObject(dir / "a/b", dir / "a/b/../b"));
  EXPECT_FALSE(sameFileObject(dir / "a", dir / "a/b"));
  EXPECT_FALSE(sameFileObject(dir / "a", dir / "missing"));
}

TEST(FileInfo, RemoveFileLeavesFoldersAndToleratesAbsence) {
  TempDir dir;
  writeFile(dir / "f", "x");
  std::filesystem::create_directories(dir / "d");
  EXPECT_TRUE(removeFile(dir / "f"));
  EXPECT_FALSE(std::filesystem::exists(dir / "f"));
  EXPECT_TRUE(removeFile(dir / "f"));
  EXPECT_FALSE(removeFile(dir / "d"));
  EXPECT_TRUE(std::filesystem::exists(dir / "d"));
}

TEST(Fnv1a, MatchesTheReferenceValues) {
  EXPECT_EQ(fnv1a("", 0), 2166136261u);
  EXPECT_EQ(fnv1a("a", 1), 0xe40c292cu);
  EXPECT_EQ(fnv1a("foobar", 6), 0xbf9cf968u);
}

}  // namespace
}  // namespace zv
