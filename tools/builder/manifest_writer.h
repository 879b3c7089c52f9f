#pragma once
// manifest.json from a plan, and the launcher's own check of it.

#include <cstdint>
#include <string>

#include "tools/builder/release_plan.h"

namespace zv {
class Json;
}

namespace zv::builder {

// The manifest document. With placeholders, files not yet hashed get a
// digest of zeros, so that the paths can be checked before any work is done.
Json manifestJson(const Plan& plan, bool placeholders = false);

// The exact bytes that are signed and published: pretty-printed, one final
// line feed.
std::string manifestText(const Json& manifest);

// Whether a launcher reads a manifest of this many bytes, chunkDigestBytes
// of them chunk digests; else error says how far it is over.
[[nodiscard]] bool launcherReads(uint64_t bytes, uint64_t chunkDigestBytes, std::string& error);

// Runs the launcher's manifest parser on the text. False, with the
// launcher's own message, for a manifest the launcher would refuse.
[[nodiscard]] bool launcherAccepts(const std::string& text, std::string& error);

}  // namespace zv::builder
