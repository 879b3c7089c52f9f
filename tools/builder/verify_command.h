#pragma once
// The verify command: checks an update tree the way the launcher will.

#include <filesystem>
#include <string>

namespace zv::builder {

// Checks the signature under publicKeyHex with the launcher's verifier, the
// manifest with the launcher's parser, and every packed file by unpacking it
// and comparing size and digest. Prints every problem found. Returns the
// exit code: 0 when there is none.
int runVerify(const std::filesystem::path& outDir, const std::string& publicKeyHex, bool progress);

}  // namespace zv::builder
