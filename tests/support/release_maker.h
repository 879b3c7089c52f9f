#pragma once
// Test releases: packed files, manifest.json and its signature, laid out as
// the update server serves them (folder/manifest.json, folder/manifest.sig,
// folder/files/<server name>.zv). Signing goes through zarvo-builder's signer
// (libsodium natively; in the Windows build its own Ed25519 code, which the
// builder's tests hold against libsodium), so the tests that run under Wine
// make and sign their own releases in the servers' folder just as the native
// ones do, and nothing has to be prepared before a Wine run.

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <string_view>

#include "data/json.h"

namespace zv::test {

struct PackOptions {
  uint32_t chunkSize = 64 * 1024;
  bool raw = false;  // store every chunk as it is instead of as a zlib stream
};

// The packed form of content.
std::string packBytes(std::string_view content, const PackOptions& options = {});

// Pieces for packed files made by hand, damaged ones in particular.
std::string packedHeader(uint64_t size, uint32_t chunkSize, uint32_t count);
std::string littleEndian32(uint32_t value);
std::string zlibStream(std::string_view data);  // zlib's one-call compression

// SHA-256 as 64 lowercase hexadecimal digits.
std::string sha256Hex(std::string_view bytes);

// An Ed25519 key made from a fixed seed.
class TestKey {
 public:
  explicit TestKey(uint8_t seedByte = 7);
  // 64 hexadecimal digits, for LauncherConfig::publicKey.
  std::string publicKeyHex() const;
  // The text of manifest.sig for message: 128 hexadecimal digits and a line feed.
  std::string signatureText(std::string_view message) const;

 private:
  std::array<uint8_t, 32> seed_;
};

struct FileOptions {
  std::string source;  // name on the server, when not the path
  bool once = false;
  PackOptions pack;
  bool chunkDigests = false;  // list the chunks' digests ("chunks"), as the builder does for large files
};

// A release being put together in folder.
class Release {
 public:
  explicit Release(std::filesystem::path folder, TestKey key = TestKey());

  // A base client file, packed into files/. The returned entry stays valid
  // and may be changed until publish() (a wrong size, say).
  Json& addFile(const std::string& path, std::string_view content, const FileOptions& options = {});
  // The launcher entry, packed into files/ like any file.
  void setLauncher(const std::string& path, std::string_view content);
  void removePath(const std::string& path);
  void setBuild(const std::string& build);
  // Any other top-level member of the manifest ("addons", say).
  void setMember(const std::string& key, Json value);

  // The manifest as publish() writes it.
  Json document() const;
  // Writes manifest.json and a matching manifest.sig.
  void publish() const;
  // Writes text as manifest.json and signs it, whatever it holds.
  void publishText(std::string_view manifestText) const;

  const std::filesystem::path& folder() const { return folder_; }
  // Where the packed form of a file with this server name lies.
  std::filesystem::path packedPath(std::string_view serverName) const;

 private:
  Json packEntry(const std::string& path, std::string_view content, const FileOptions& options) const;

  std::filesystem::path folder_;
  TestKey key_;
  std::deque<Json> files_;  // a deque keeps references to its elements valid
  Json launcher_;
  Json remove_ = Json::array();
  std::string build_ = "test";
  Json extra_ = Json::object();
};

}  // namespace zv::test
