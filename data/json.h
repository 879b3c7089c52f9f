#pragma once
// The program's one JSON value: configuration, preferences, manifests, state
// files and every page message go through it. Objects keep insertion order so
// that files we write come out in the order we built them.
//
// A value is 16 bytes: texts of up to 14 bytes live inside it, longer ones and
// non-empty containers in one heap block each. The largest file we read (16 MiB)
// then parses within about 9 bytes of memory per byte of text for flat arrays
// and objects of small values (see the json section of bench/README.md).

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class alignas(8) Json {
 public:
  enum class Kind : uint8_t { Null, Bool, Number, String, Array, Object };
  struct Member;
  using Members = std::vector<Member>;
  using Elements = std::vector<Json>;

  // Defined below Member: some compilers need it complete for these.
  Json();
  Json(bool value);
  Json(double value);
  // Integers are stored as doubles; without this overload Json(5) would be
  // ambiguous between bool and double.
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  Json(T value);
  Json(std::string value);
  Json(std::string_view value);
  Json(const char* value);

  Json(const Json& other);
  Json(Json&& other) noexcept;
  Json& operator=(const Json& other);
  Json& operator=(Json&& other) noexcept;
  ~Json();

  static Json array();
  static Json object();

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }
  bool isBool() const { return kind_ == Kind::Bool; }
  bool isNumber() const { return kind_ == Kind::Number; }
  bool isString() const { return kind_ == Kind::String; }
  bool isArray() const { return kind_ == Kind::Array; }
  bool isObject() const { return kind_ == Kind::Object; }

  // Typed reads with the caller's fallback; no conversion between kinds.
  // text() is the String's bytes without a copy (valid while this value is
  // neither changed nor destroyed), empty for other kinds.
  std::string_view text() const;
  std::string stringOr(std::string_view fallback) const;
  double numberOr(double fallback) const;
  bool boolOr(bool fallback) const;
  // The number truncated toward zero (truncateToInt64), else the fallback.
  int64_t integerOr(int64_t fallback) const;

  // Value of the first member with this key, or sharedNull when this is not an
  // object or has no such member.
  const Json& get(std::string_view key) const;
  // The element at index, or sharedNull when this is not an array or too short.
  const Json& at(size_t index) const;
  // Empty unless this is an object / an array.
  const Members& members() const;
  const Elements& elements() const;

  // Makes this an object first if it is not one (discarding its content), then
  // replaces the value of an existing key in place or appends a new member.
  Json& set(std::string_view key, Json value);
  // Makes this an array first if it is not one, then appends.
  Json& push(Json value);
  // The members moved out, leaving Null: for a caller that keeps them.
  Members takeMembers();

  // Compact, or with line feeds and two-space indents; never a final line feed.
  std::string dump(bool pretty = false) const;
  // The compact text appended to out, and a string's, for a writer that
  // builds one large document of many values without a string for each.
  void appendTo(std::string& out) const;
  static void appendString(std::string& out, std::string_view text);

  // The value of the whole text. On failure: Null, and *error (when given)
  // holds e.g. "expected ':' at offset 5". On success *error is left alone.
  static Json parse(std::string_view text, std::string* error = nullptr);

 private:
  friend class JsonParser;

  // Texts up to this long are kept in raw_ after their length byte.
  static constexpr size_t kInlineText = 14;

  void setText(std::string_view text);
  void release() noexcept;
  Elements* elementsBlock() const { return load<Elements*>(); }
  Members* membersBlock() const { return load<Members*>(); }
  // The payload (number, flag, block pointer) sits 8-byte aligned at raw_ + 7.
  template <typename T>
  T load() const {
    T value;
    std::memcpy(&value, raw_ + 7, sizeof value);
    return value;
  }
  template <typename T>
  void store(T value) {
    std::memcpy(raw_ + 7, &value, sizeof value);
  }

  Kind kind_ = Kind::Null;
  // Null, flag, number, a heap text or a container block (null when empty),
  // or an inline text: its length in raw_[0], its bytes from raw_[1].
  unsigned char raw_[15] = {};
};

struct Json::Member {
  std::string key;
  Json value;
};

inline Json::Json() = default;
inline Json::Json(bool value) : kind_(Kind::Bool) { store(value); }
inline Json::Json(double value) : kind_(Kind::Number) { store(value); }
template <std::integral T>
  requires(!std::same_as<T, bool>)
Json::Json(T value) : Json(static_cast<double>(value)) {}
inline Json::Json(std::string value) : Json(std::string_view(value)) {}
inline Json::Json(std::string_view value) { setText(value); }
inline Json::Json(const char* value) : Json(std::string_view(value)) {}
inline Json::~Json() { release(); }

// The process-wide Null that missed lookups refer to; never modified, never
// destroyed. Not for use by static initialisers of other files
// (initialisation order).
extern const Json& sharedNull;

// Truncation toward zero; NaN and values outside the target range give the
// most negative value, as the x86 conversion instruction does, so "must be 0
// or more" checks refuse them.
int64_t truncateToInt64(double value);
int32_t truncateToInt32(double value);

}  // namespace zv
