#include "updater/signature.h"

#include <cstdint>
#include <vector>

#include "crypto/ed25519.h"
#include "data/hex.h"

namespace zv {
namespace {

// The 64 bytes signatureText spells.
bool readSignature(std::string_view signatureText, std::vector<uint8_t>& signature) {
  // Editors and upload tools add line ends or blanks at the end; nothing else
  // is forgiven, not even a tab.
  while (!signatureText.empty() &&
         (signatureText.back() == '\n' || signatureText.back() == '\r' || signatureText.back() == ' ')) {
    signatureText.remove_suffix(1);
  }
  return hexToBytes(signatureText, signature) && signature.size() == 64;
}

}  // namespace

bool verifyManifestSignature(std::string_view manifest, std::string_view signatureText,
                             std::string_view publicKeyHex) {
  std::vector<uint8_t> signature;
  if (!readSignature(signatureText, signature)) return false;
  std::vector<uint8_t> key;
  if (!hexToBytes(publicKeyHex, key) || key.size() != 32) return false;
  const auto* message = reinterpret_cast<const uint8_t*>(manifest.data());
  return ed25519Verify(signature.data(), message, manifest.size(), key.data()) == 1;
}

bool isSignatureText(std::string_view signatureText) {
  std::vector<uint8_t> signature;
  return readSignature(signatureText, signature);
}

}  // namespace zv
