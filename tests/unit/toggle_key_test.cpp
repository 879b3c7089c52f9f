#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "addons/toggle_key.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

std::string setKey(const std::string& text) { return setIniValue(text, "INPUT", "KeyEffects", "45,0,0,0"); }

// Ids, labels and their order reach the page in the add-on list (its test
// shows them); here: the Windows key codes the game reads.
TEST(ToggleKeyTable, WindowsKeyCodesAndIdsMatchedExactly) {
  std::string codes;
  for (const ToggleKey& key : toggleKeyTable()) codes += key.id + "=" + std::to_string(key.virtualKey) + " ";
  EXPECT_EQ(codes, "insert=45 delete=46 end=35 pageup=33 pagedown=34 pause=19 scrolllock=145 ");
  EXPECT_EQ(findToggleKey("pause"), &toggleKeyTable()[5]);
  EXPECT_EQ(findToggleKey("Insert"), nullptr);
  EXPECT_EQ(findToggleKey("insert "), nullptr);
}

TEST(SetIniValue, ReplacesTheEntryWhateverItsCaseAndSpacing) {
  EXPECT_EQ(setKey("[input]\r\n  keyeffects = 19,0,0,0\r\nOther=1\r\n"),
            "[input]\r\nKeyEffects=45,0,0,0\r\nOther=1\r\n");
  EXPECT_EQ(setKey(" \t[Input]\t\nKeyEffects\t=\n"), " \t[Input]\t\nKeyEffects=45,0,0,0\n");
  // Only the first entry of the section is changed.
  EXPECT_EQ(setKey("[INPUT]\nKeyEffects=1\nKeyEffects=2\n"), "[INPUT]\nKeyEffects=45,0,0,0\nKeyEffects=2\n");
}

TEST(SetIniValue, AppendsAMissingSectionKeepingTheFinalLineBreakAsItWas) {
  EXPECT_EQ(setKey("[Other]\nA=1"), "[Other]\nA=1\n\n[INPUT]\nKeyEffects=45,0,0,0");
  EXPECT_EQ(setKey("[Other]\nA=1\n"), "[Other]\nA=1\n\n[INPUT]\nKeyEffects=45,0,0,0\n");
  // A blank last line is enough of a separator.
  EXPECT_EQ(setKey("[Other]\r\nA=1\r\n \r\n"), "[Other]\r\nA=1\r\n \r\n[INPUT]\r\nKeyEffects=45,0,0,0\r\n");
  EXPECT_EQ(setKey(""), "[INPUT]\r\nKeyEffects=45,0,0,0\r\n");
  EXPECT_EQ(setKey("\n"), "\n[INPUT]\nKeyEffects=45,0,0,0\n");
  // The section is written as the caller spells it.
  EXPECT_EQ(setIniValue("", "Input", "Key", "v"), "[Input]\r\nKey=v\r\n");
}

TEST(SetIniValue, AnyCrLfMakesEveryLineBreakCrLf) {
  EXPECT_EQ(setKey("a\nb\r\n[INPUT]\nKeyEffects=1\nc"), "a\r\nb\r\n[INPUT]\r\nKeyEffects=45,0,0,0\r\nc");
  EXPECT_EQ(setKey("a\nb\n[INPUT]\nKeyEffects=1\nc"), "a\nb\n[INPUT]\nKeyEffects=45,0,0,0\nc");
  // A lone CR inside a line is content; one CR before each LF is the line end.
  EXPECT_EQ(setKey("a\rb\r\r\n[INPUT]\r\n"), "a\rb\r\r\n[INPUT]\r\nKeyEffects=45,0,0,0\r\n");
}

TEST(SetIniValue, NewEntryFollowsTheSectionsLastNonEmptyLine) {
  EXPECT_EQ(setKey("[INPUT]\r\nA=1\r\n; note\r\n\r\n[Other]\r\nB=2\r\n"),
            "[INPUT]\r\nA=1\r\n; note\r\nKeyEffects=45,0,0,0\r\n\r\n[Other]\r\nB=2\r\n");
  EXPECT_EQ(setKey("[INPUT]\n\n\n[Other]\n"), "[INPUT]\nKeyEffects=45,0,0,0\n\n\n[Other]\n");
  EXPECT_EQ(setKey("[INPUT]"), "[INPUT]\nKeyEffects=45,0,0,0");
  // Commented-out entries and lines without "=" are not the entry.
  EXPECT_EQ(setKey("[INPUT]\n;KeyEffects=1\nKeyEffects\n"), "[INPUT]\n;KeyEffects=1\nKeyEffects\nKeyEffects=45,0,0,0\n");
}

TEST(SetIniValue, OnlyTheFirstMatchingSectionCounts) {
  EXPECT_EQ(setKey("KeyEffects=0\n[INPUT]\nA=1\n[Other]\nKeyEffects=0\n[INPUT]\nKeyEffects=0\n"),
            "KeyEffects=0\n[INPUT]\nA=1\nKeyEffects=45,0,0,0\n[Other]\nKeyEffects=0\n[INPUT]\nKeyEffects=0\n");
  // A header with something after the bracket is another section.
  EXPECT_EQ(setKey("[INPUT] ;x\nKeyEffects=0\n"), "[INPUT] ;x\nKeyEffects=0\n\n[INPUT]\nKeyEffects=45,0,0,0\n");
}

class WriteToggleKeyTest : public ::testing::Test {
 protected:
  std::filesystem::path ini() const { return client / "addons/fx/fx.ini"; }

  TempDir client;
};

TEST_F(WriteToggleKeyTest, WritesTheCodeIntoTheInputSection) {
  writeFile(ini(), "[Effects]\r\nBloom=1\r\n");
  ASSERT_TRUE(writeToggleKey(client.path(), "addons/fx/fx.ini", "scrolllock"));
  EXPECT_EQ(readFile(ini()), "[Effects]\r\nBloom=1\r\n\r\n[INPUT]\r\nKeyEffects=145,0,0,0\r\n");
  ASSERT_TRUE(writeToggleKey(client.path(), "addons/fx/fx.ini", "end"));
  EXPECT_EQ(readFile(ini()), "[Effects]\r\nBloom=1\r\n\r\n[INPUT]\r\nKeyEffects=35,0,0,0\r\n");
}

TEST_F(WriteToggleKeyTest, NothingToDoIsSuccessWithoutTouchingTheFile) {
  writeFile(ini(), "[INPUT]\nKeyEffects=45,0,0,0\n");
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365);
  std::filesystem::last_write_time(ini(), old);
  // As stored: file systems keep coarser times than the clock gives.
  const auto stored = std::filesystem::last_write_time(ini());
  // The key that is already there, no key file, or a key that is not in the table.
  EXPECT_TRUE(writeToggleKey(client.path(), "addons/fx/fx.ini", "insert"));
  EXPECT_TRUE(writeToggleKey(client.path(), "", "delete"));
  EXPECT_TRUE(writeToggleKey(client.path(), "addons/fx/fx.ini", "Delete"));
  EXPECT_EQ(readFile(ini()), "[INPUT]\nKeyEffects=45,0,0,0\n");
  EXPECT_EQ(std::filesystem::last_write_time(ini()), stored);
  EXPECT_FALSE(std::filesystem::exists(client / "addons/fx/fx.ini.tmp"));
}

TEST_F(WriteToggleKeyTest, MissingOrUnwritableFileFails) {
  EXPECT_FALSE(writeToggleKey(client.path(), "addons/fx/fx.ini", "insert"));
  EXPECT_FALSE(std::filesystem::exists(ini())) << "the key file is never created";
  writeFile(ini(), "[INPUT]\nKeyEffects=46,0,0,0\n");
  // The temporary file cannot be made where a folder stands.
  writeFile(client / "addons/fx/fx.ini.tmp/inside", "x");
  EXPECT_FALSE(writeToggleKey(client.path(), "addons/fx/fx.ini", "insert"));
  EXPECT_EQ(readFile(ini()), "[INPUT]\nKeyEffects=46,0,0,0\n");
  writeFile(client / "outside.ini", "[INPUT]\n");
  EXPECT_FALSE(writeToggleKey(client / "addons", "../outside.ini", "insert"));
  EXPECT_EQ(readFile(client / "outside.ini"), "[INPUT]\n");
}

}  // namespace
}  // namespace zv
