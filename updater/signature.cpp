#include "updater/signature.h"

#include <cstdint>
#include <vector>

#include "crypto/ed25519.h"
#include "data/hex.h"

namespace zv {

bool verifyManifestSignature(std::string_view manifest, std::string_view signatureText,
                             std::string_view publicKeyHex) {
  // Editors and upload tools add line ends or blanks at the end; nothing else
  // is forgiven, not even a tab.
  while (!signatureText.empty() &&
         (signatureText.back() == '\n' || signatureText.back() == '\r' || signatureText.back() == ' ')) {
    signatureText.remove_suffix(1);
  }
  std::vector<uint8_t> signature;
  if (!hexToBytes(signatureText, signature) || signature.size() != 64) return false;
  std::vector<uint8_t> key;
  if (!hexToBytes(publicKeyHex, key) || key.size() != 32) return false;
  const auto* message = reinterpret_cast<const uint8_t*>(manifest.data());
  return ed25519Verify(signature.data(), message, manifest.size(), key.data()) == 1;
}

}  // namespace zv
