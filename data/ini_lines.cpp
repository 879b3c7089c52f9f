#include "data/ini_lines.h"

#include <cstddef>

#include "data/text_rules.h"
#include "platform/text_path.h"

namespace zv {
namespace {

constexpr size_t none = static_cast<size_t>(-1);
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Built by appending: GCC 12 warns falsely about "[" + std::string at -O3.
std::string bracketed(std::string_view name) {
  std::string header(1, '[');
  header.append(name);
  header += ']';
  return header;
}

std::string entryLine(const IniEntry& entry) { return std::string(entry.key) + '=' + entry.value; }

// Where a new section goes on top: before the first header, unless lines
// before it hold settings (not blank, not a ";" or "#" comment); then just
// before that header, or at the end when there is none.
size_t topOfFile(const std::vector<std::string>& lines, std::string_view blanks) {
  size_t firstHeader = 0;
  bool settingsBefore = false;
  for (; firstHeader < lines.size(); ++firstHeader) {
    const std::string_view trimmed = trimIni(lines[firstHeader], blanks);
    if (isIniHeader(trimmed)) break;
    if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') settingsBefore = true;
  }
  return settingsBefore ? firstHeader : 0;
}

std::string joined(const std::vector<std::string>& lines, std::string_view text, IniRules::LineBreaks rule) {
  const bool crLf = rule == IniRules::LineBreaks::CrLf || text.empty() || text.find("\r\n") != std::string_view::npos;
  const bool finalBreak =
      rule == IniRules::LineBreaks::CrLf ? !text.empty() : text.empty() || text.back() == '\n';
  const std::string_view separator = crLf ? "\r\n" : "\n";
  std::string result;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) result += separator;
    result += lines[i];
  }
  if (finalBreak) result += separator;
  return result;
}

}  // namespace

bool decodeIniFile(std::string_view bytes, std::string& text, IniCoding& coding) {
  if (bytes.starts_with(kUtf8Mark)) {
    coding = IniCoding::Utf8Mark;
    text.assign(bytes.substr(kUtf8Mark.size()));
    return true;
  }
  if (!bytes.starts_with(kUtf16Mark)) {
    coding = IniCoding::Plain;
    text.assign(bytes);
    return true;
  }
  coding = IniCoding::Utf16;
  if (bytes.size() % 2 != 0) return false;
  const auto unitAt = [bytes](size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  };
  text.clear();
  for (size_t i = kUtf16Mark.size(); i < bytes.size(); i += 2) {
    char32_t codePoint = unitAt(i);
    if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) return false;
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
      if (i + 4 > bytes.size()) return false;
      const char32_t low = unitAt(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    appendUtf8(text, codePoint);
  }
  return true;
}

std::string encodeIniFile(std::string_view text, IniCoding coding) {
  if (coding == IniCoding::Plain) return std::string(text);
  if (coding == IniCoding::Utf8Mark) return std::string(kUtf8Mark) + std::string(text);
  std::string bytes(kUtf16Mark);
  for (const char16_t unit : utf8ToUtf16(text)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::vector<std::string> splitIniLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

std::string_view trimIni(std::string_view text, std::string_view characters) {
  const size_t first = text.find_first_not_of(characters);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(characters) - first + 1);
}

bool isIniHeader(std::string_view trimmed) { return !trimmed.empty() && trimmed.front() == '['; }

std::string lowerIniKey(std::string_view trimmed, std::string_view blanks) {
  const size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return {};
  return asciiLower(trimIni(trimmed.substr(0, equals), blanks));
}

std::string setIniEntries(std::string_view text, std::string_view section, const std::vector<IniEntry>& entries,
                          const IniRules& rules) {
  const bool firstOnly = rules.scope == IniRules::Scope::FirstEntryOfFirstSection;
  std::vector<std::string> lines = splitIniLines(text);
  const std::string header = bracketed(asciiLower(section));
  std::vector<bool> written(entries.size(), false);
  size_t insertAt = none;  // after the last non-blank line of the section that takes new entries
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view trimmed = trimIni(lines[i], rules.blanks);
    if (isIniHeader(trimmed)) {
      if (inSection && firstOnly) break;
      inSection = asciiLower(trimmed) == header;
      if (inSection) insertAt = i + 1;
      continue;
    }
    if (!inSection || trimmed.empty()) continue;
    insertAt = i + 1;
    const std::string key = lowerIniKey(trimmed, rules.blanks);
    for (size_t e = 0; e < entries.size(); ++e) {
      if (key.empty() || key != asciiLower(entries[e].key) || (firstOnly && written[e])) continue;
      lines[i] = entryLine(entries[e]);
      written[e] = true;
    }
  }
  std::vector<std::string> missing;
  for (size_t e = 0; e < entries.size(); ++e) {
    if (!written[e]) missing.push_back(entryLine(entries[e]));
  }
  if (insertAt == none) {
    if (rules.newSection == IniRules::NewSection::OnTop) {
      insertAt = topOfFile(lines, rules.blanks);
    } else {
      if (!lines.empty() && !trimIni(lines.back(), rules.blanks).empty()) lines.emplace_back();
      insertAt = lines.size();
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt++), bracketed(section));
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), missing.begin(), missing.end());
  return joined(lines, text, rules.lineBreaks);
}

}  // namespace zv
