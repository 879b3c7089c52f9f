#pragma once
// The one editor of the INI files we change (the game's options file, add-on
// key files): lines split at LF, a CR before the LF dropped, so that files
// with either line end read the same; entries set in a section while every
// other line stays as it was.

#include <string>
#include <string_view>
#include <vector>

namespace zv {

// How an INI file's bytes hold its text. Unreal games save their INI files
// as UTF-16 (little-endian, after a byte-order mark) once a value needs a
// character outside the ANSI code page; a player's text editor may put the
// UTF-8 mark in front of a file it saves.
enum class IniCoding { Plain, Utf8Mark, Utf16 };

// An INI file's bytes as the text the editor works on, without a mark, so
// that a header on the first line reads as one; encodeIniFile writes the text
// back as it came. False when the bytes begin with the UTF-16 mark but are no
// UTF-16 (an odd length, a lone surrogate): no edit of them could be written
// back without damage.
[[nodiscard]] bool decodeIniFile(std::string_view bytes, std::string& text, IniCoding& coding);
std::string encodeIniFile(std::string_view text, IniCoding coding);

// The lines of text, each without its LF and without one CR at its end. A
// final LF does not start another line, so "" has no lines and "a\n" one.
std::vector<std::string> splitIniLines(std::string_view text);

// text without the given characters at both ends.
std::string_view trimIni(std::string_view text, std::string_view characters);

// Whether a trimmed line is a section header: it starts with "[".
bool isIniHeader(std::string_view trimmed);

// The key of a trimmed key line in lower case, trimmed of blanks; empty when
// the line has no "=".
std::string lowerIniKey(std::string_view trimmed, std::string_view blanks);

// Where the files we edit differ: the game reads the last of its video
// entries in any [Video] section and wants CR LF; an add-on reads the first
// entry of its section, in a file whose line breaks are its author's.
struct IniRules {
  // Trimmed around headers and keys; a line of these alone is blank.
  std::string_view blanks;
  enum class Scope {
    FirstEntryOfFirstSection,  // the next header ends the search
    EveryEntryOfEverySection,  // missing entries go into the last section
  } scope;
  enum class NewSection {
    OnTop,  // above the first header; below lines holding settings, which
            // it would otherwise pull into the section
    AtEnd,  // after one blank line
  } newSection;
  enum class LineBreaks {
    CrLf,     // after every line, the last one only when the text was not empty
    AsInText, // CR LF when the text has any (or is empty), else LF; the last
              // line keeps or lacks its line break as it did
  } lineBreaks;
};

struct IniEntry {
  std::string_view key;  // written as given, found without ASCII case
  std::string value;
};

// text with each key=value set in the section (its name found without ASCII
// case, written as given when the section is new). An entry replaces the
// lines that hold its key; a missing one follows the section's last non-blank
// line, in the order given.
std::string setIniEntries(std::string_view text, std::string_view section, const std::vector<IniEntry>& entries,
                          const IniRules& rules);

}  // namespace zv
