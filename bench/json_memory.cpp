// Peak memory of Json::parse on the largest text a state file may have
// (kMaxTextFileBytes), one document shape per run: bench/json_memory.sh runs
// each shape under /usr/bin/time and prints the peak resident size.

#include <cstdio>
#include <cstring>
#include <string>

#include "data/json.h"
#include "platform/file.h"

namespace {

// One item of the top-level container, numbered so that object keys differ.
std::string item(const char* shape, size_t n) {
  const std::string key = "\"" + std::to_string(n) + "\":";
  if (std::strcmp(shape, "numbers") == 0) return "0";
  if (std::strcmp(shape, "strings") == 0) return "\"\"";
  if (std::strcmp(shape, "texts") == 0) return "\"a longer text than fits\"";
  if (std::strcmp(shape, "arrays") == 0) return "[0]";
  if (std::strcmp(shape, "objects") == 0) return "{\"a\":0}";
  if (std::strcmp(shape, "members") == 0) return key + "0";
  if (std::strcmp(shape, "cache") == 0) {
    return "\"system/folder" + std::to_string(n % 40) + "/file" + std::to_string(n) +
           ".dat\":[12345,\"134082720000000000\",\"" + std::string(64, 'a') + "\"]";
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  const char* shape = argc > 1 ? argv[1] : "";
  if (item(shape, 0).empty()) {
    std::fprintf(stderr, "usage: json_memory numbers|strings|texts|arrays|objects|members|cache\n");
    return 2;
  }
  const bool object = std::strcmp(shape, "members") == 0 || std::strcmp(shape, "cache") == 0;
  std::string text(1, object ? '{' : '[');
  size_t count = 0;
  for (;; ++count) {
    const std::string next = item(shape, count);
    if (text.size() + next.size() + 2 > zv::kMaxTextFileBytes) break;
    if (count > 0) text += ',';
    text += next;
  }
  text += object ? '}' : ']';
  std::string error;
  const zv::Json value = zv::Json::parse(text, &error);
  const size_t parsed = object ? value.members().size() : value.elements().size();
  std::printf("%s: %zu bytes, %zu values%s%s\n", shape, text.size(), parsed, error.empty() ? "" : ", ", error.c_str());
  return parsed == count ? 0 : 1;
}
