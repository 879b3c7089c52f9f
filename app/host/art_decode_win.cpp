#include "app/host/art_decode.h"

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>

namespace zv {
namespace {

using Microsoft::WRL::ComPtr;

// Missing from older mingw-w64 headers; the value is fixed by the SDK.
constexpr WICBitmapInterpolationMode kHighQualityCubic = static_cast<WICBitmapInterpolationMode>(4);

bool failed(HRESULT result, const char* step, std::string& error) {
  if (SUCCEEDED(result)) return false;
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (0x%08lX)", step, static_cast<unsigned long>(result));
  error = text;
  return true;
}

// The width at targetHeight for a source of sourceWidth x sourceHeight,
// rounded to the nearest pixel, at least 1.
int scaledArtWidth(int sourceWidth, int sourceHeight, int targetHeight) {
  if (sourceHeight <= 0) return 1;
  const long long scaled =
      (static_cast<long long>(targetHeight) * sourceWidth * 2 + sourceHeight) / (2LL * sourceHeight);
  return scaled < 1 ? 1 : static_cast<int>(scaled > 0x7fffffff ? 0x7fffffff : scaled);
}

}  // namespace

bool decodeArt(const std::filesystem::path& file, int targetHeight, ArtPixels& out, std::string& error) {
  ComPtr<IWICImagingFactory> factory;
  if (failed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
             "creating the imaging factory", error)) {
    return false;
  }
  ComPtr<IWICBitmapDecoder> decoder;
  if (failed(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                &decoder),
             "opening the picture", error)) {
    return false;
  }
  ComPtr<IWICBitmapFrameDecode> frame;
  if (failed(decoder->GetFrame(0, &frame), "reading the first frame", error)) return false;
  UINT sourceWidth = 0;
  UINT sourceHeight = 0;
  if (failed(frame->GetSize(&sourceWidth, &sourceHeight), "reading the size", error)) return false;
  if (sourceWidth == 0 || sourceHeight == 0) {
    error = "the picture is empty";
    return false;
  }
  ComPtr<IWICBitmapSource> converted;
  if (failed(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.Get(), &converted), "converting the pixels",
             error)) {
    return false;
  }
  const int width = scaledArtWidth(static_cast<int>(sourceWidth), static_cast<int>(sourceHeight), targetHeight);
  if (width > kMaxArtPixels || targetHeight > kMaxArtPixels || targetHeight < 1) {
    error = "the picture would be " + std::to_string(width) + " x " + std::to_string(targetHeight) + " pixels";
    return false;
  }
  ComPtr<IWICBitmapScaler> scaler;
  if (failed(factory->CreateBitmapScaler(&scaler), "creating the scaler", error)) return false;
  HRESULT scaled = scaler->Initialize(converted.Get(), static_cast<UINT>(width), static_cast<UINT>(targetHeight),
                                      kHighQualityCubic);
  // Systems before Windows 10 know no high-quality cubic mode.
  if (FAILED(scaled)) {
    scaled = scaler->Initialize(converted.Get(), static_cast<UINT>(width), static_cast<UINT>(targetHeight),
                                WICBitmapInterpolationModeFant);
  }
  if (failed(scaled, "scaling the picture", error)) return false;
  const UINT stride = static_cast<UINT>(width) * 4;
  std::vector<uint8_t> pixels(static_cast<size_t>(stride) * static_cast<size_t>(targetHeight));
  if (failed(scaler->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data()),
             "copying the pixels", error)) {
    return false;
  }
  out.width = width;
  out.height = targetHeight;
  out.bgra = std::move(pixels);
  return true;
}

}  // namespace zv
