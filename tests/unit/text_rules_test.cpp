#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/text_rules.h"
#include "data/valid_utf8.h"

namespace zv {
namespace {

TEST(SafeRelativePath, AcceptsOrdinaryClientPaths) {
  const std::vector<std::string> good = {
      "system/L2.exe",
      "system/L2 Test.exe",
      "a",
      ".zarvo_update",
      "system/..hidden/x..y/.profile",  // dots inside names are fine
      "textures/\xC5\xBE" "aidimas.utx",  // UTF-8 bytes above 0x7F
      "a b/ c /d ",
      "aux/con/nul.txt",  // reserved device names are not this rule's business
      std::string(400, 'a'),
      std::string(199, 'a') + "/" + std::string(200, 'b'),
  };
  for (const std::string& path : good) EXPECT_TRUE(isSafeRelativePath(path)) << path;
}

TEST(SafeRelativePath, RefusesEverythingThatCouldLeaveTheBaseFolder) {
  const std::vector<std::string> bad = {
      "",
      std::string(401, 'a'),
      "/system/L2.exe",
      "\\system\\L2.exe",
      "system\\L2.exe",
      "C:/L2.exe",
      "C:L2.exe",
      "system/L2.exe:stream",
      "//server/share/a",
      "..",
      ".",
      "../L2.exe",
      "system/../../L2.exe",
      "system/./L2.exe",
      "system/..",
      "system//L2.exe",
      "system/",
      "/",
      "a/b/",
      std::string("a\0b", 3),
      "a\tb",
      "a\nb",
      "a\x1f",
      "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b",
  };
  for (const std::string& path : bad) EXPECT_FALSE(isSafeRelativePath(path)) << path;
}

TEST(ValidUtf8, OneReplacementPerMaximalInvalidPartAndValidTextUnchanged) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  struct Case {
    std::string in;
    std::string out;
  };
  for (const Case& c : {
           Case{"\xFF", r},                          // never a lead byte
           Case{"a\xC3", "a" + r},                   // cut short at the end
           Case{"\xE2\x82x", r + "x"},               // cut short before an ASCII byte
           Case{"\xF0\x9F\x98", r},                  // a whole truncated sequence is one part
           Case{"\xC0\xAF", r + r},                  // overlong
           Case{"\xE0\x80\x80", r + r + r},          // overlong
           Case{"\xED\xA0\xBD", r + r + r},          // a surrogate
           Case{"\xF4\x90\x80\x80", r + r + r + r},  // past U+10FFFF
           Case{"\x80\xBF", r + r},                  // stray continuation bytes
           Case{"\x01\xC3\xA9\xE2\x82\xAC\xF4\x8F\xBF\xBF", "\x01\xC3\xA9\xE2\x82\xAC\xF4\x8F\xBF\xBF"},
       }) {
    EXPECT_EQ(validUtf8(c.in), c.out) << testing::PrintToString(c.in);
  }
  // A log line: control characters visible, nothing else touched.
  EXPECT_EQ(loggableText(std::string("a\r\nb\x7F\0\xFF\xC3\xA9", 9)), "a\\x0D\\x0Ab\\x7F\\x00" + r + "\xC3\xA9");
}

TEST(AsciiLower, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(asciiLower("System/L2.EXE"), "system/l2.exe");
  EXPECT_EQ(asciiLower("\xC3\x89" "A@[`{Z"), "\xC3\x89" "a@[`{z");  // É stays, only A-Z move
  EXPECT_EQ(asciiLower(std::string("A\0B", 3)), std::string("a\0b", 3));
}

TEST(ThemeName, LowerCaseLettersDigitsAndDashUpTo32Bytes) {
  for (const std::string& name : {std::string("classic"), std::string("ocean-2"), std::string("-"),
                                  std::string(32, 'z')}) {
    EXPECT_TRUE(isValidThemeName(name)) << name;
  }
  for (const std::string& name : {std::string(""), std::string(33, 'z'), std::string("Ocean"),
                                  std::string("ocean blue"), std::string("a_b"), std::string("../x"),
                                  std::string("a.b")}) {
    EXPECT_FALSE(isValidThemeName(name)) << name;
  }
}

TEST(Color, HashAndSixHexDigits) {
  EXPECT_TRUE(isValidColor("#0a1B2c"));
  EXPECT_TRUE(isValidColor("#FFFFFF"));
  for (const char* text : {"", "#fff", "#0a1b2c3", "0a1b2cd", "#0a1b2g", "#0a1b2 "}) {
    EXPECT_FALSE(isValidColor(text)) << text;
  }
}

}  // namespace
}  // namespace zv
