// The JSON reader: strict about structure, forgiving about number tokens, raw
// control bytes in strings and unpaired surrogates. Error texts name the byte
// offset because they end up in front of the publisher, who must find the spot.

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "data/json.h"
#include "data/json_reader.h"
#include "data/name_index.h"
#include "platform/text_path.h"

namespace zv {
namespace {

constexpr int maxDepth = 64;

bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isNumberByte(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// from_chars leaves its output untouched when the value does not fit a double,
// where the C library gives an infinity for overflow and zero for underflow.
// Which of the two it is follows from the decimal exponent of the first
// significant digit of the (well-formed) text from_chars accepted.
double outOfRangeValue(std::string_view number) {
  const bool negative = !number.empty() && number.front() == '-';
  size_t i = negative ? 1 : 0;
  long long integerDigits = 0;
  long long fractionZeros = 0;
  bool significant = false;
  for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
    if (number[i] != '0') significant = true;
    if (significant) ++integerDigits;
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && number[i] == '0'; ++i) ++fractionZeros;
    while (i < number.size() && number[i] >= '0' && number[i] <= '9') ++i;
  }
  long long exponent = 0;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negativeExponent = number[i++] == '-';
    for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
      if (exponent < 1000000000) exponent = exponent * 10 + (number[i] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  const long long magnitude = (integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1)) + exponent;
  const double value = magnitude >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -value : value;
}

}  // namespace

bool JsonReader::fail(const char* what) {
  error_ = std::string(what) + " at offset " + std::to_string(pos_);
  return false;
}

void JsonReader::skipWhitespace() {
  while (!atEnd() && isWhitespace(text_[pos_])) ++pos_;
}

// After a failure the text is abandoned, so depth_ need not be restored.
bool JsonReader::open(char& first) {
  if (++depth_ > maxDepth) return fail("too deep");
  skipWhitespace();
  if (atEnd()) return fail("unexpected end");
  first = text_[pos_];
  return true;
}

// At a container's opening byte: more is whether an item follows before
// close.
bool JsonReader::containerStart(char close, bool& more) {
  ++pos_;
  skipWhitespace();
  more = atEnd() || text_[pos_] != close;
  if (!more) ++pos_;
  return true;
}

// After an item: a ',' (more, and the whitespace after it skipped, so that
// a key is found at once) or close.
bool JsonReader::containerNext(char close, const char* expected, bool& more) {
  skipWhitespace();
  if (atEnd() || (text_[pos_] != ',' && text_[pos_] != close)) return fail(expected);
  more = text_[pos_++] == ',';
  if (more) skipWhitespace();
  return true;
}

bool JsonReader::objectStart(bool& more) { return containerStart('}', more); }

bool JsonReader::key(std::string_view& out) {
  if (atEnd() || text_[pos_] != '"') return fail("expected key");
  if (!string(out)) return false;
  skipWhitespace();
  if (atEnd() || text_[pos_] != ':') return fail("expected ':'");
  ++pos_;
  return true;
}

bool JsonReader::objectNext(bool& more) { return containerNext('}', "expected ',' or '}'", more); }

bool JsonReader::arrayStart(bool& more) { return containerStart(']', more); }

bool JsonReader::arrayNext(bool& more) { return containerNext(']', "expected ',' or ']'", more); }

bool JsonReader::end() {
  skipWhitespace();
  return pos_ == text_.size() || fail("trailing characters");
}

// The quotation mark that ends the string starting at from (or the end of
// the text): the first one not escaped by an odd run of backslashes.
size_t JsonReader::closingQuote(size_t from) const {
  for (;;) {
    const auto* quote = static_cast<const char*>(std::memchr(text_.data() + from, '"', text_.size() - from));
    if (quote == nullptr) return text_.size();
    const auto at = static_cast<size_t>(quote - text_.data());
    size_t backslashes = 0;
    while (at - backslashes > from && text_[at - backslashes - 1] == '\\') ++backslashes;
    if (backslashes % 2 == 0) return at;
    from = at + 1;
  }
}

// A view of the input when the string has no escapes, else of scratch_
// holding the decoded bytes.
bool JsonReader::string(std::string_view& out) {
  const size_t start = ++pos_;
  const char* data = text_.data();
  const auto* quote = static_cast<const char*>(std::memchr(data + start, '"', text_.size() - start));
  const size_t end = quote == nullptr ? text_.size() : static_cast<size_t>(quote - data);
  if (std::memchr(data + start, '\\', end - start) == nullptr) {
    pos_ = end;
    if (quote == nullptr) return fail("unterminated string");
    ++pos_;
    out = text_.substr(start, end - start);
    return true;
  }
  scratch_.clear();
  for (;;) {
    size_t special = pos_;
    while (special < text_.size() && text_[special] != '"' && text_[special] != '\\') ++special;
    if (special == text_.size()) {
      pos_ = text_.size();
      return fail("unterminated string");
    }
    scratch_.append(text_.substr(pos_, special - pos_));
    pos_ = special + 1;
    if (text_[special] == '"') {
      out = scratch_;
      return true;
    }
    if (atEnd()) return fail("unterminated string");
    switch (text_[pos_++]) {
      case '"': scratch_ += '"'; break;
      case '\\': scratch_ += '\\'; break;
      case '/': scratch_ += '/'; break;
      case 'b': scratch_ += '\b'; break;
      case 'f': scratch_ += '\f'; break;
      case 'n': scratch_ += '\n'; break;
      case 'r': scratch_ += '\r'; break;
      case 't': scratch_ += '\t'; break;
      case 'u':
        if (!unicodeEscape(scratch_)) return false;
        break;
      default: return fail("bad escape");
    }
  }
}

// The four digits after "\u", and a second "\u" escape after a high
// surrogate. Unpaired surrogates are kept as they are rather than refused.
bool JsonReader::unicodeEscape(std::string& out) {
  uint32_t code = 0;
  if (!hex4(code)) return false;
  if (code >= 0xD800 && code <= 0xDBFF && text_.size() - pos_ >= 6 && text_[pos_] == '\\' &&
      text_[pos_ + 1] == 'u') {
    pos_ += 2;
    uint32_t second = 0;
    if (!hex4(second)) return false;
    // Whatever the second value is; the smallest result is 0x2400.
    code = 0x10000 + (code - 0xD800) * 1024 + second - 0xDC00;
  }
  appendUtf8(out, code);
  return true;
}

bool JsonReader::hex4(uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (atEnd()) return fail("bad \\u escape");
    const int digit = hexValue(text_[pos_++]);
    if (digit < 0) return fail("bad \\u escape");
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return true;
}

double JsonReader::number() {
  const size_t start = pos_;
  // Sizes, counts and times: a run of up to 15 digits (below 2^53, so the
  // double is exact) is read here; anything else by from_chars.
  const bool negative = text_[pos_] == '-';
  if (negative) ++pos_;
  constexpr size_t kExactDigits = 15;
  uint64_t digits = 0;
  const size_t firstDigit = pos_;
  while (!atEnd() && text_[pos_] >= '0' && text_[pos_] <= '9' && pos_ - firstDigit < kExactDigits) {
    digits = digits * 10 + static_cast<uint64_t>(text_[pos_++] - '0');
  }
  if (pos_ > firstDigit && (atEnd() || !isNumberByte(text_[pos_]))) {
    const auto value = static_cast<double>(digits);
    return negative ? -value : value;
  }
  pos_ = start;
  while (!atEnd() && isNumberByte(text_[pos_])) ++pos_;
  const char* first = text_.data() + start;
  const char* last = text_.data() + pos_;
  double value = 0;
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = outOfRangeValue(std::string_view(first, static_cast<size_t>(result.ptr - first)));
  }
  // An unreadable token such as "-" or "-e" is 0, as with strtod.
  return result.ec == std::errc::invalid_argument ? 0.0 : value;
}

// Builds Json values from a reader.
class JsonParser {
 public:
  explicit JsonParser(JsonReader& reader) : r_(reader) {}

  bool parseValue(Json& out) {
    char first = 0;
    if (!r_.open(first) || !parseOpened(first, out)) return false;
    r_.close();
    return true;
  }

  bool parseOpened(char c, Json& out) {
    if (c == '{') return parseObject(out);
    if (c == '[') return parseArray(out);
    if (c == '"') {
      std::string_view text;
      if (!r_.string(text)) return false;
      out.release();  // out may be a value read before (JsonReader::rest)
      out.setText(text);
      return true;
    }
    if (startsWith("true")) {
      out = Json(true);
      r_.pos_ += 4;
    } else if (startsWith("false")) {
      out = Json(false);
      r_.pos_ += 5;
    } else if (startsWith("null")) {
      out = Json();
      r_.pos_ += 4;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      out = Json(r_.number());
    } else {
      return r_.fail("unexpected character");
    }
    return true;
  }

 private:
  bool startsWith(std::string_view literal) const { return r_.text_.substr(r_.pos_, literal.size()) == literal; }

  // A container's first items wait on a stack shared by the whole parse and
  // are moved into a list of their exact number when it closes: one
  // allocation per container. One that reaches kOwnListFrom items gets its
  // own list at once, sized by counting the rest ahead, because a list grown
  // by doubling needs up to three times the memory of its items while it
  // moves. From that size on, object keys are also found through an index.
  static constexpr size_t kOwnListFrom = 32;

  template <typename Item>
  static std::vector<Item>* takeFrom(std::vector<Item>& stack, size_t base, size_t reserve) {
    auto* list = new std::vector<Item>();
    list->reserve(reserve);
    list->insert(list->end(), std::make_move_iterator(stack.begin() + static_cast<std::ptrdiff_t>(base)),
                 std::make_move_iterator(stack.end()));
    stack.resize(base);
    return list;
  }

  // How many more items follow the cursor, which stands just after an item:
  // the commas at its level up to the container's closing bracket. A hint
  // only: a text that breaks off or repeats keys merely reserves too much.
  size_t countAhead() const {
    const std::string_view text = r_.text_;
    size_t items = 0;
    int depth = 0;
    for (size_t i = r_.pos_; i < text.size(); ++i) {
      switch (text[i]) {
        case '"': i = r_.closingQuote(i + 1); break;
        case '[':
        case '{': ++depth; break;
        case ']':
        case '}':
          if (depth-- == 0) return items;
          break;
        case ',':
          if (depth == 0) ++items;
          break;
        default: break;
      }
    }
    return items;
  }

  bool parseObject(Json& out) {
    out = Json::object();
    bool more = false;
    if (!r_.objectStart(more)) return false;
    if (!more) return true;
    const size_t base = memberStack_.size();
    Json::Members* members = nullptr;
    // A repeated key replaces the earlier value in its place. Large objects
    // (the digest cache has one member per client file) look keys up in an
    // index: a scan per member would make reading them quadratic.
    NameIndex index;
    const auto keyOf = [&members](size_t i) { return std::string_view((*members)[i].key); };
    while (more) {
      std::string_view keyText;
      if (!r_.key(keyText)) return false;
      // Copied before the value is parsed: keyText may be the reader's scratch.
      std::string key(keyText);
      Json value;
      if (!parseValue(value)) return false;
      if (members == nullptr) {
        auto same = std::find_if(memberStack_.begin() + static_cast<std::ptrdiff_t>(base), memberStack_.end(),
                                 [&key](const Json::Member& member) { return member.key == key; });
        if (same != memberStack_.end()) {
          same->value = std::move(value);
        } else {
          memberStack_.push_back(Json::Member{std::move(key), std::move(value)});
        }
        if (memberStack_.size() - base == kOwnListFrom) {
          members = takeFrom(memberStack_, base, kOwnListFrom + countAhead());
          out.store(members);
          index.reserve(members->capacity());
          for (size_t i = 0; i < members->size(); ++i) (void)index.insert(keyOf(i), i, keyOf);
        }
      } else {
        const size_t same = index.insert(key, members->size(), keyOf);
        if (same != members->size()) {
          (*members)[same].value = std::move(value);
        } else {
          members->push_back(Json::Member{std::move(key), std::move(value)});
        }
      }
      if (!r_.objectNext(more)) return false;
    }
    if (members == nullptr) out.store(takeFrom(memberStack_, base, memberStack_.size() - base));
    return true;
  }

  bool parseArray(Json& out) {
    out = Json::array();
    bool more = false;
    if (!r_.arrayStart(more)) return false;
    if (!more) return true;
    const size_t base = elementStack_.size();
    Json::Elements* elements = nullptr;
    while (more) {
      // Parsed into a local first: nested containers grow the stack.
      Json element;
      if (!parseValue(element)) return false;
      if (elements != nullptr) {
        elements->push_back(std::move(element));
      } else {
        elementStack_.push_back(std::move(element));
        if (elementStack_.size() - base == kOwnListFrom) {
          elements = takeFrom(elementStack_, base, kOwnListFrom + countAhead());
          out.store(elements);
        }
      }
      if (!r_.arrayNext(more)) return false;
    }
    if (elements == nullptr) out.store(takeFrom(elementStack_, base, elementStack_.size() - base));
    return true;
  }

  JsonReader& r_;
  Json::Elements elementStack_;
  Json::Members memberStack_;
};

bool JsonReader::rest(Json& out) {
  JsonParser parser(*this);
  return parser.parseOpened(text_[pos_], out);
}

bool JsonReader::value(Json& out) {
  JsonParser parser(*this);
  return parser.parseValue(out);
}

Json Json::parse(std::string_view text, std::string* error) {
  JsonReader reader(text);
  JsonParser parser(reader);
  Json value;
  if (!parser.parseValue(value) || !reader.end()) {
    if (error) *error = reader.error();
    return Json();
  }
  return value;
}

}  // namespace zv
