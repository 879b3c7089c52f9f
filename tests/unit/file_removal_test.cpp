#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "addons/file_removal.h"
#include "data/wildcard.h"
#include "tests/support/locked_file.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::LockedFile;
using test::readFile;
using test::TempDir;
using test::writeFile;

namespace fs = std::filesystem;

TEST(WildcardMatch, StarsMatchAnyRunQuestionMarksOneCharacterAndCaseIsIgnored) {
  EXPECT_TRUE(wildcardMatch("*.log", "ReShade.LOG"));
  EXPECT_TRUE(wildcardMatch("\xD0\xBB\xD0\xBE\xD0\xB3*.txt", "\xD0\x9B\xD0\x9E\xD0\x93 1.txt"));  // лог*, ЛОГ 1
  EXPECT_TRUE(wildcardMatch("*.log", ".log"));
  EXPECT_FALSE(wildcardMatch("*.log", "ReShade.log.bak"));
  EXPECT_TRUE(wildcardMatch("x*y*.ini", "xy.ini"));
  EXPECT_FALSE(wildcardMatch("x*y*.ini", "x.ini"));
  // The first "b" is not the end: the star must take it and try again.
  EXPECT_TRUE(wildcardMatch("a*b", "aXbXb"));
  EXPECT_FALSE(wildcardMatch("a*b", "aXbX"));
  EXPECT_TRUE(wildcardMatch("a**", "a"));
  EXPECT_FALSE(wildcardMatch("abc", "ab"));
  // "?" takes exactly one character, a whole UTF-8 sequence.
  EXPECT_TRUE(wildcardMatch("shader?.bin", "SHADER7.bin"));
  EXPECT_FALSE(wildcardMatch("shader?.bin", "shader.bin"));
  EXPECT_FALSE(wildcardMatch("shader?.bin", "shader12.bin"));
  EXPECT_TRUE(wildcardMatch("a?c", "a\xC3\xA9" "c"));
  EXPECT_TRUE(wildcardMatch("*?\xC3\xA9", "x\xC3\xA9\xC3\xA9"));
  EXPECT_FALSE(wildcardMatch("*??", "\xC3\xA9"));
}

class RemoveFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* path : {"system/d3d9.dll", "system/dxgi.dll", "system/ReShade.ini", "system/L2.exe",
                             "system/ReShade.log", "system/sub/deep.log", "shaders/a/x.fx", "shaders/b/y.fx",
                             "top.tmp"}) {
      writeFile(client_ / path, path);
    }
  }
  bool exists(const char* path) const { return fs::exists(client_ / path); }
  bool remove(const std::vector<std::string>& paths, const std::vector<std::string>& patterns) {
    return removeFiles(client_.path(), paths, patterns, leftOver_);
  }

  TempDir client_;
  std::vector<std::string> leftOver_{"stale entry"};
};

TEST_F(RemoveFilesTest, DeletesTheFilesMatchesAndFoldersLeftEmpty) {
  EXPECT_TRUE(remove({"shaders/a/x.fx", "system/ReShade.ini", "missing/file.txt", "shaders/b/y.fx",
                      "system/d3d9.dll"},
                     {"system/*.LOG", "*.tmp", "*", "../*.log", "sys*/x.log"}));
  EXPECT_TRUE(leftOver_.empty());
  EXPECT_FALSE(exists("system/d3d9.dll"));
  EXPECT_FALSE(exists("system/ReShade.ini"));
  EXPECT_FALSE(exists("system/ReShade.log"));
  EXPECT_FALSE(exists("top.tmp"));
  EXPECT_TRUE(exists("system/sub/deep.log")) << "patterns never reach into subfolders";
  EXPECT_TRUE(exists("system/dxgi.dll"));
  EXPECT_TRUE(exists("system/L2.exe"));
  EXPECT_FALSE(exists("shaders")) << "emptied folders go, up to the client folder";
  EXPECT_TRUE(fs::is_directory(client_.path()));
}

TEST_F(RemoveFilesTest, TheClientFolderItselfIsNeverPruned) {
  TempDir client;
  writeFile(client / "only/file.txt", "x");
  EXPECT_TRUE(removeFiles(client.path() / "", {"only/file.txt"}, {}, leftOver_));
  EXPECT_FALSE(fs::exists(client / "only"));
  EXPECT_TRUE(fs::is_directory(client.path()));
}

TEST_F(RemoveFilesTest, UnsafePathsAreSkippedWithoutATrace) {
  TempDir outside;
  writeFile(outside / "victim.txt", "x");
  const std::string escape = "../" + outside.path().filename().string() + "/victim.txt";
  EXPECT_TRUE(remove({escape, "system/ReShade.ini"}, {}));
  EXPECT_TRUE(leftOver_.empty());
  EXPECT_TRUE(fs::exists(outside / "victim.txt"));
  EXPECT_FALSE(exists("system/ReShade.ini"));
}

TEST_F(RemoveFilesTest, ALockedDllStopsEverythingAndKeepsTheRestListed) {
  LockedFile game(client_ / "system/dxgi.dll");
  EXPECT_FALSE(remove({"shaders/a/x.fx", "system/d3d9.dll", "system/ReShade.ini", "system/dxgi.dll",
                       "SYSTEM/Other.DLL"},
                      {"system/*.log"}));
  // DLLs first in their given order, then the rest in theirs.
  EXPECT_EQ(leftOver_, (std::vector<std::string>{"system/dxgi.dll", "SYSTEM/Other.DLL", "shaders/a/x.fx",
                                                 "system/ReShade.ini"}));
  EXPECT_FALSE(exists("system/d3d9.dll")) << "DLLs before the locked one are gone";
  EXPECT_TRUE(exists("shaders/a/x.fx"));
  EXPECT_TRUE(exists("system/ReShade.ini"));
  EXPECT_TRUE(exists("system/ReShade.log")) << "no clean-up while the game runs";

  game.release();
  EXPECT_TRUE(remove(leftOver_, {"system/*.log"}));
  EXPECT_FALSE(exists("system/dxgi.dll"));
  EXPECT_FALSE(exists("shaders/a"));
  EXPECT_FALSE(exists("system/ReShade.log"));
}

TEST_F(RemoveFilesTest, AnyOtherFileThatStaysDoesNotStopTheRest) {
  LockedFile held(client_ / "system/ReShade.ini");
  EXPECT_FALSE(remove({"system/ReShade.ini", "shaders/a/x.fx", "system/d3d9.dll"}, {"system/*.log"}));
  EXPECT_EQ(leftOver_, std::vector<std::string>{"system/ReShade.ini"});
  EXPECT_FALSE(exists("system/d3d9.dll"));
  EXPECT_FALSE(exists("shaders/a"));
  EXPECT_FALSE(exists("system/ReShade.log"));
}

}  // namespace
}  // namespace zv
