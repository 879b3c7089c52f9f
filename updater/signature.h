#pragma once
// The check that makes a fetched manifest trustworthy.

#include <string_view>

namespace zv {

// True when signatureText (the text of manifest.sig: 128 hexadecimal digits,
// optionally followed by line feeds, carriage returns and blanks) is a valid
// Ed25519 signature of every byte of manifest under publicKeyHex (64
// hexadecimal digits). Either case of digits is accepted; anything else
// (leading or other trailing characters, wrong lengths) fails.
[[nodiscard]] bool verifyManifestSignature(std::string_view manifest, std::string_view signatureText,
                                           std::string_view publicKeyHex);

// Whether signatureText has the form above, whatever it signs: when it has
// not, whatever answered was no update server.
bool isSignatureText(std::string_view signatureText);

}  // namespace zv
