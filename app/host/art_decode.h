#pragma once
// Decodes the theme picture (a PNG) with the Windows Imaging Component into
// premultiplied BGRA pixels at a given height, keeping its aspect ratio.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zv {

struct ArtPixels {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgra;  // premultiplied, top-down, stride width * 4
};

// Neither side of the result may exceed this many pixels.
constexpr int kMaxArtPixels = 8192;

// False with the cause in error when the file cannot be decoded or the
// result would be too large. Needs COM on the calling thread.
[[nodiscard]] bool decodeArt(const std::filesystem::path& file, int targetHeight, ArtPixels& out, std::string& error);

}  // namespace zv
