#pragma once
// A JSON text read piece by piece, for a reader that knows the shape it
// expects and need not build a Json value for every part: the manifest's
// file list is read this way. Json::parse is built on it, so the rules,
// messages and offsets are the same (see json.h).
//
// Every value is read between open() and close(): open() counts the nesting
// and finds the first byte, then one of string(), number(), the object and
// array steps, or rest() reads it. After a false, the text is invalid and
// error() says why; the reader is not used further.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zv {

class Json;

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  // Starts the next value: first is its first byte after whitespace.
  [[nodiscard]] bool open(char& first);
  // Ends the value open() started, once it has been read.
  void close() { --depth_; }

  // At '"': the text between the quotation marks, decoded; valid until the
  // next string is read.
  [[nodiscard]] bool string(std::string_view& out);
  // At '-' or a digit: the number token's value.
  double number();
  // Whatever value open() found, as a Json.
  [[nodiscard]] bool rest(Json& out);
  // The next value whole, as a Json: open(), rest() and close().
  [[nodiscard]] bool value(Json& out);

  // At '{': more is whether a member follows.
  [[nodiscard]] bool objectStart(bool& more);
  // A member's key and the ':' after it; then its value follows.
  [[nodiscard]] bool key(std::string_view& out);
  // After a member's value: a ',' (more) or the closing '}'.
  [[nodiscard]] bool objectNext(bool& more);
  // At '[': more is whether an element follows.
  [[nodiscard]] bool arrayStart(bool& more);
  // After an element: a ',' (more) or the closing ']'.
  [[nodiscard]] bool arrayNext(bool& more);

  // After the top-level value: nothing but whitespace may follow.
  [[nodiscard]] bool end();

  const std::string& error() const { return error_; }

 private:
  friend class JsonParser;

  bool fail(const char* what);
  bool atEnd() const { return pos_ >= text_.size(); }
  void skipWhitespace();
  bool containerStart(char close, bool& more);
  bool containerNext(char close, const char* expected, bool& more);
  bool unicodeEscape(std::string& out);
  bool hex4(uint32_t& value);
  size_t closingQuote(size_t from) const;

  std::string_view text_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::string error_;
  std::string scratch_;
};

}  // namespace zv
