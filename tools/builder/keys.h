#pragma once
// The publisher's secret key file and the keygen and pubkey commands.
//
// The file is text: comment lines starting with "#" (the public key is noted
// there for the publisher's convenience) and one line with the 32-byte seed
// as 64 hexadecimal digits. Only the seed line counts when it is read.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "tools/builder/signer.h"

namespace zv::builder {

using Seed = std::array<uint8_t, kSeedSize>;

// The 64 lowercase hexadecimal digits that go into "publicKey" of the
// launcher's configuration.
std::string publicKeyHex(const Seed& seed);

// A new key from the system's secure random source, written with owner-only
// permissions. An existing file is replaced only with replace set.
[[nodiscard]] bool createKeyFile(const std::filesystem::path& path, bool replace, Seed& seed, std::string& error);

// Reads at most a few KiB: anything longer is no key file.
[[nodiscard]] bool loadKeyFile(const std::filesystem::path& path, Seed& seed, std::string& error);

// Warns on standard error when others may read or change the secret key.
void warnIfOpenToOthers(const std::filesystem::path& path);

}  // namespace zv::builder
