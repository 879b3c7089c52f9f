#include "tests/support/release_maker.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/text_path.h"
#include "tests/support/temp_dir.h"
#include "tools/builder/signer.h"
#include "data/hex.h"
#include "crypto/sha256.h"

namespace zv::test {

std::string littleEndian32(uint32_t value) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
  return out;
}

std::string packedHeader(uint64_t size, uint32_t chunkSize, uint32_t count) {
  std::string out("ZV1\0", 4);
  out += littleEndian32(static_cast<uint32_t>(size));
  out += littleEndian32(static_cast<uint32_t>(size >> 32));
  out += littleEndian32(chunkSize);
  out += littleEndian32(count);
  return out;
}

std::string zlibStream(std::string_view data) {
  uLongf length = compressBound(static_cast<uLong>(data.size()));
  std::string out(length, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(data.data()),
                      static_cast<uLong>(data.size()), 6),
            Z_OK);
  out.resize(length);
  return out;
}

std::string packBytes(std::string_view content, const PackOptions& options) {
  const uint32_t count = static_cast<uint32_t>((content.size() + options.chunkSize - 1) / options.chunkSize);
  std::string table;
  std::string data;
  for (uint32_t i = 0; i < count; ++i) {
    const std::string_view chunk = content.substr(static_cast<size_t>(i) * options.chunkSize, options.chunkSize);
    const std::string stored = options.raw ? std::string(chunk) : zlibStream(chunk);
    table += littleEndian32(static_cast<uint32_t>(stored.size()) | (options.raw ? 0x80000000u : 0));
    data += stored;
  }
  return packedHeader(content.size(), options.chunkSize, count) + table + data;
}

std::string sha256Hex(std::string_view bytes) {
  Sha256 sha;
  sha.update(bytes.data(), bytes.size());
  uint8_t digest[Sha256::kDigestSize];
  sha.final(digest);
  return toHex(digest, sizeof digest);
}

TestKey::TestKey(uint8_t seedByte) {
  for (size_t i = 0; i < seed_.size(); ++i) seed_[i] = static_cast<uint8_t>(seedByte + i);
}

std::string TestKey::publicKeyHex() const {
  uint8_t key[builder::kPublicKeySize];
  builder::publicKeyOf(seed_.data(), key);
  return toHex(key, sizeof key);
}

std::string TestKey::signatureText(std::string_view message) const {
  uint8_t signature[builder::kSignatureSize];
  builder::signMessage(seed_.data(), message, signature);
  return toHex(signature, sizeof signature) + "\n";
}

Release::Release(std::filesystem::path folder, TestKey key) : folder_(std::move(folder)), key_(key) {}

std::filesystem::path Release::packedPath(std::string_view serverName) const {
  return joinRelative(folder_ / "files", std::string(serverName) + ".zv");
}

Json Release::packEntry(const std::string& path, std::string_view content, const FileOptions& options) const {
  const std::string packed = packBytes(content, options.pack);
  writeFile(packedPath(options.source.empty() ? path : options.source), packed);
  Json entry = Json::object();
  entry.set("path", path);
  entry.set("size", content.size());
  entry.set("sha256", sha256Hex(content));
  entry.set("packed", packed.size());
  if (options.once) entry.set("mode", "once");
  if (!options.source.empty()) entry.set("source", options.source);
  if (options.chunkDigests) {
    std::string digests;
    for (size_t at = 0; at < content.size(); at += options.pack.chunkSize) {
      digests += sha256Hex(content.substr(at, options.pack.chunkSize));
    }
    Json chunks = Json::object();
    chunks.set("size", options.pack.chunkSize);
    chunks.set("sha256", digests);
    entry.set("chunks", std::move(chunks));
  }
  return entry;
}

Json& Release::addFile(const std::string& path, std::string_view content, const FileOptions& options) {
  files_.push_back(packEntry(path, content, options));
  return files_.back();
}

void Release::setLauncher(const std::string& path, std::string_view content) {
  launcher_ = packEntry(path, content, {});
}

void Release::removePath(const std::string& path) { remove_.push(path); }

void Release::setBuild(const std::string& build) { build_ = build; }

void Release::setMember(const std::string& key, Json value) { extra_.set(key, std::move(value)); }

Json Release::document() const {
  Json files = Json::array();
  for (const Json& file : files_) files.push(file);
  Json document = Json::object();
  document.set("format", 1);
  document.set("build", build_);
  if (!launcher_.isNull()) document.set("launcher", launcher_);
  document.set("files", std::move(files));
  document.set("remove", remove_);
  for (const Json::Member& member : extra_.members()) document.set(member.key, member.value);
  return document;
}

void Release::publish() const { publishText(document().dump(true) + "\n"); }

void Release::publishText(std::string_view manifestText) const {
  writeFile(folder_ / "manifest.json", manifestText);
  writeFile(folder_ / "manifest.sig", key_.signatureText(manifestText));
}

}  // namespace zv::test
