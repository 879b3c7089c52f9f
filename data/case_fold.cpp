#include "data/case_fold.h"

#include <cstdint>
#include <cstring>

namespace zv {
namespace {

// In a run of upper/lower pairs, the capital sits on the even (or, for
// oddCapital, odd) code point and its small letter right after it.
bool inPairRun(uint32_t c, uint32_t first, uint32_t last, bool oddCapital) {
  return c >= first && c <= last && (c % 2 == 1) == oddCapital;
}

uint32_t foldOne(uint32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;                  // Latin-1
  if (c == 0x178) return 0xFF;                                              // Ÿ
  if (inPairRun(c, 0x100, 0x12F, false) || inPairRun(c, 0x132, 0x137, false) ||
      inPairRun(c, 0x139, 0x148, true) || inPairRun(c, 0x14A, 0x177, false) ||
      inPairRun(c, 0x179, 0x17E, true)) {
    return c + 1;                                                           // Latin Extended-A
  }
  if (c == 0x1C4 || c == 0x1C5) return 0x1C6;                              // DŽ Dž
  if (c == 0x1C7 || c == 0x1C8) return 0x1C9;                              // LJ Lj
  if (c == 0x1CA || c == 0x1CB) return 0x1CC;                              // NJ Nj
  if (c == 0x1F1 || c == 0x1F2) return 0x1F3;                              // DZ Dz
  if (inPairRun(c, 0x1CD, 0x1DC, true) || inPairRun(c, 0x1DE, 0x1EF, false) ||
      inPairRun(c, 0x1F8, 0x21F, false) || inPairRun(c, 0x222, 0x233, false) ||
      inPairRun(c, 0x246, 0x24F, false)) {
    return c + 1;                                                           // Latin Extended-B
  }
  if (c == 0x1F4) return 0x1F5;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;                // Greek
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c == 0x3C2) return 0x3C3;                                             // final sigma
  if (c >= 0x410 && c <= 0x42F) return c + 32;                              // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c == 0x4C0) return 0x4CF;
  if (inPairRun(c, 0x460, 0x481, false) || inPairRun(c, 0x48A, 0x4BF, false) ||
      inPairRun(c, 0x4C1, 0x4CE, true) || inPairRun(c, 0x4D0, 0x52F, false)) {
    return c + 1;
  }
  return c;
}

// Every fold keeps a letter's length (ASCII to ASCII, two bytes to two
// bytes below U+0800), so texts are folded in place. The length is held
// here: a write through char may alias a string's own fields.
void foldInPlace(char* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      if (lead >= 'A' && lead <= 'Z') bytes[i] = static_cast<char>(lead + 32);
      continue;
    }
    // Every letter folded here is one or two bytes long; longer sequences
    // and broken ones are kept as they are.
    if (lead >= 0xC2 && lead <= 0xDF && i + 1 < size && (static_cast<unsigned char>(bytes[i + 1]) & 0xC0) == 0x80) {
      const uint32_t folded = foldOne((lead & 0x1Fu) << 6 | (static_cast<unsigned char>(bytes[i + 1]) & 0x3Fu));
      bytes[i] = static_cast<char>(0xC0 | (folded >> 6));
      bytes[i + 1] = static_cast<char>(0x80 | (folded & 0x3F));
      ++i;
    }
  }
}

}  // namespace

std::string foldCase(std::string_view text) {
  std::string out(text);
  foldInPlace(out.data(), out.size());
  return out;
}

void appendFolded(std::string& out, std::string_view text) {
  const size_t start = out.size();
  out.append(text);
  foldInPlace(out.data() + start, text.size());
}

bool sameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // Names such as the work folder's are compared once per client file:
  // short ones are folded on the stack.
  constexpr size_t kOnStack = 64;
  if (a.size() > kOnStack) return foldCase(a) == foldCase(b);
  char foldedA[kOnStack];
  char foldedB[kOnStack];
  std::memcpy(foldedA, a.data(), a.size());
  std::memcpy(foldedB, b.data(), b.size());
  foldInPlace(foldedA, a.size());
  foldInPlace(foldedB, b.size());
  return std::memcmp(foldedA, foldedB, a.size()) == 0;
}

}  // namespace zv
