// zarvo-builder seen from outside: the built program run on generated client
// folders, its output read with stock zlib and libsodium.

#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "data/json.h"
#include "platform/folder_lock.h"
#include "tests/support/packed_reader.h"
#include "tests/support/temp_dir.h"
#include "data/hex.h"
#include "updater/manifest.h"
#include "crypto/sha256.h"
#include "updater/signature.h"

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::unpackWithZlib;
using test::writeFile;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

std::string quoted(const std::string& arg) {
  std::string text = "'";
  for (const char c : arg) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

std::string noise(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string text(size_t size, const std::string& word) {
  std::string bytes;
  for (int line = 0; bytes.size() < size; ++line) bytes += word + " " + std::to_string(line) + "\n";
  bytes.resize(size);
  return bytes;
}

// Every file below a folder with its bytes, modification time and inode:
// a refused build must leave all three alone.
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  if (!fs::exists(root, ec)) return files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    struct stat info {};
    stat(it->path().c_str(), &info);
    files[it->path().lexically_relative(root).string()] =
        std::to_string(info.st_ino) + "/" + std::to_string(info.st_mtim.tv_sec) + "." +
        std::to_string(info.st_mtim.tv_nsec) + "/" + (it->is_regular_file() ? readFile(it->path()) : "<folder>");
  }
  return files;
}

class BuilderCli : public ::testing::Test {
 protected:
  BuilderCli() {
    EXPECT_EQ(run({"keygen", key()}).code, 0);
    publicKey = run({"pubkey", key()}).out;
    if (!publicKey.empty()) publicKey.pop_back();
  }

  Result run(const std::vector<std::string>& args) {
    std::string command = quoted(ZV_BUILDER_PATH);
    for (const std::string& arg : args) command += " " + quoted(arg);
    const fs::path out = dir.path() / "stdout.txt", err = dir.path() / "stderr.txt";
    command += " >" + quoted(out.string()) + " 2>" + quoted(err.string()) + " </dev/null";
    const int status = std::system(command.c_str());
    Result result;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
  }

  std::string key() const { return (dir.path() / "release.key").string(); }
  std::string client() const { return (dir.path() / "client").string(); }
  std::string out() const { return (dir.path() / "out").string(); }

  // A client folder with what real ones have: nested folders, non-ASCII
  // names, blanks and "#", empty files, files of several chunks, data that
  // compresses and data that does not; and an add-on with two variants.
  void makeClient() {
    sources["system/L2.exe"] = noise(150000, 1);
    sources["system/Option.ini"] = "[Video]\r\nGamePlayViewportX=1024\r\n";
    sources["system/Textures/Ünïcödé ß.utx"] = text(300000, "texture");
    sources["Music/Track #1 (remix).ogg"] = noise(70000, 2);
    sources["maps/20_21 #map.unr"] = text(65536 * 3, "map");  // exactly three chunks
    sources["empty.txt"] = "";
    sources["system/empty folder/also empty.dat"] = "";
    sources["читать меня.txt"] = "привет\n";
    sources["ZarvoLauncher.exe"] = noise(5000, 3) + text(20000, "launcher");
    for (const auto& [path, bytes] : sources) writeFile(dir / ("client/" + path), bytes);
    writeFile(dir / "client/.zarvo_update/cache.json", "{}");
    addonFiles["addons/fx/all/system/fx.ini"] = {"system/fx.ini", "[INPUT]\n"};
    addonFiles["addons/fx/v-amd/system/d3d9.dll"] = {"system/d3d9.dll", noise(9000, 4)};
    addonFiles["addons/fx/v-nv/system/d3d9.dll"] = {"system/d3d9.dll", text(9000, "nv")};
    writeFile(dir / "fx/all/system/fx.ini", "[INPUT]\n");
    writeFile(dir / "fx/amd/system/d3d9.dll", addonFiles["addons/fx/v-amd/system/d3d9.dll"].second);
    writeFile(dir / "fx/nv/system/d3d9.dll", addonFiles["addons/fx/v-nv/system/d3d9.dll"].second);
    writeFile(dir / "release.json", R"({"launcher": "ZarvoLauncher.exe", "once": ["system/Option.ini"],
      "remove": ["system/old.dll"], "chunkSize": 65536,
      "addons": [{"id": "fx", "name": "Effects", "folder": "fx/all", "keyIni": "system/fx.ini", "defaultKey": "end",
                  "cleanup": ["system/fx*.log"],
                  "variants": [{"id": "amd", "label": "AMD", "folder": "fx/amd"},
                               {"id": "nv", "label": "NVIDIA", "folder": "fx/nv"}]}]})");
  }

  Result build(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"build", client(), out(), "--key", key(), "--release",
                                     (dir.path() / "release.json").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return run(args);
  }

  // What a manifest entry's "chunks" holds for content packed in 64 KiB
  // chunks: the digest of each, when there are several.
  static std::string chunkDigests(const std::string& content) {
    if (content.size() <= 65536) return "";
    std::string digests;
    for (size_t offset = 0; offset < content.size(); offset += 65536) {
      Sha256 digest;
      const size_t length = std::min<size_t>(65536, content.size() - offset);
      digest.update(reinterpret_cast<const uint8_t*>(content.data()) + offset, length);
      uint8_t bytes[Sha256::kDigestSize];
      digest.final(bytes);
      digests += toHex(bytes, sizeof bytes);
    }
    return digests;
  }

  // The release sequence of the published manifest; 0: none.
  int64_t sequence() { return Json::parse(readFile(dir / "out/manifest.json")).get("sequence").integerOr(0); }

  std::string packedOf(const std::string& serverName) { return readFile(dir / ("out/files/" + serverName + ".zv")); }

  TempDir dir;
  std::string publicKey;
  std::map<std::string, std::string> sources;
  std::map<std::string, std::pair<std::string, std::string>> addonFiles;  // server name: path, bytes
};

TEST_F(BuilderCli, ReleaseRoundTripsThroughStockZlibAndBothVerifiers) {
  makeClient();
  const Result built = build({"--build", "patch 7"});
  ASSERT_EQ(built.code, 0) << built.err;
  EXPECT_EQ(built.err.find('\r'), std::string::npos) << "no progress display when not on a terminal";
  const Result verified = run({"verify", out(), publicKey});
  EXPECT_EQ(verified.code, 0) << verified.out;
  EXPECT_EQ(verified.out, "12 files verified, build \"patch 7\"\n");

  const std::string manifestText = readFile(dir / "out/manifest.json");
  const std::string signatureText = readFile(dir / "out/manifest.sig");
  ASSERT_EQ(signatureText.size(), 129u);
  EXPECT_EQ(signatureText.back(), '\n');
  EXPECT_TRUE(verifyManifestSignature(manifestText, signatureText, publicKey));
  std::vector<uint8_t> signature, keyBytes;
  ASSERT_TRUE(hexToBytes(signatureText.substr(0, 128), signature));
  ASSERT_TRUE(hexToBytes(publicKey, keyBytes));
  ASSERT_GE(sodium_init(), 0);
  EXPECT_EQ(crypto_sign_verify_detached(signature.data(), reinterpret_cast<const unsigned char*>(manifestText.data()),
                                        manifestText.size(), keyBytes.data()),
            0);

  Manifest manifest;
  std::string error;
  ASSERT_TRUE(parseManifestText(manifestText, manifest, error)) << error;
  EXPECT_EQ(manifest.build, "patch 7");
  EXPECT_EQ(manifest.launcher.path, "ZarvoLauncher.exe");
  EXPECT_EQ(manifest.remove, std::vector<std::string>{"system/old.dll"});
  ASSERT_EQ(manifest.files.size(), sources.size() - 1);
  for (const ManifestFile& file : manifest.files) {
    const auto packed = unpackWithZlib(packedOf(file.path));
    EXPECT_TRUE(packed.content == sources.at(file.path)) << file.path;
    EXPECT_EQ(file.size, static_cast<int64_t>(sources.at(file.path).size()));
    EXPECT_EQ(file.packed, static_cast<int64_t>(packedOf(file.path).size()));
    EXPECT_EQ(file.once, file.path == "system/Option.ini") << file.path;
    EXPECT_EQ(file.chunkSha256, chunkDigests(sources.at(file.path))) << file.path;
  }
  EXPECT_TRUE(unpackWithZlib(packedOf("ZarvoLauncher.exe")).content == sources.at("ZarvoLauncher.exe"));
  // Several chunks, raw where data does not compress, zlib where it does.
  EXPECT_EQ(unpackWithZlib(packedOf("system/L2.exe")).rawChunks, 3u);
  EXPECT_EQ(unpackWithZlib(packedOf("maps/20_21 #map.unr")).zlibChunks, 3u);

  ASSERT_EQ(manifest.addons.size(), 1u);
  const ManifestAddon& fx = manifest.addons[0];
  EXPECT_EQ(fx.name, "Effects");
  EXPECT_EQ(fx.keyIni, "system/fx.ini");
  EXPECT_EQ(fx.defaultKey, "end");
  EXPECT_EQ(fx.cleanup, std::vector<std::string>{"system/fx*.log"});
  ASSERT_EQ(fx.variants.size(), 2u);
  EXPECT_EQ(fx.variants[1].label, "NVIDIA");
  ASSERT_EQ(fx.files.size(), 3u);
  for (const ManifestFile& file : fx.files) {
    const auto& [path, bytes] = addonFiles.at(file.source);
    EXPECT_EQ(file.path, path);
    EXPECT_TRUE(unpackWithZlib(packedOf(file.source)).content == bytes) << file.source;
    // The toggle key goes into the key INI, so it is published to exist only.
    EXPECT_EQ(file.once, file.path == "system/fx.ini") << file.source;
  }
}

TEST_F(BuilderCli, RebuildKeepsUnchangedPackedFilesAndDropsRetiredOnes) {
  makeClient();
  ASSERT_EQ(build().code, 0);
  EXPECT_EQ(sequence(), 1);
  const auto before = snapshot(dir.path() / "out/files");
  writeFile(dir / "client/system/L2.exe", noise(150001, 9));
  fs::remove(dir.path() / "client/empty.txt");
  writeFile(dir / "client/new file.txt", "new");

  const Result rebuilt = build();
  ASSERT_EQ(rebuilt.code, 0) << rebuilt.err;
  EXPECT_NE(rebuilt.out.find("2 packed, 10 unchanged"), std::string::npos) << rebuilt.out;
  const auto after = snapshot(dir.path() / "out/files");
  for (const auto& [path, state] : before) {
    if (path == "system/L2.exe.zv" || path == "empty.txt.zv" || state.ends_with("<folder>")) continue;
    EXPECT_EQ(after.count(path) ? after.at(path) : "<gone>", state) << path << " was rewritten";
  }
  EXPECT_NE(after.at("system/L2.exe.zv"), before.at("system/L2.exe.zv"));
  EXPECT_EQ(after.count("empty.txt.zv"), 0u);
  EXPECT_EQ(after.count("new file.txt.zv"), 1u);
  EXPECT_FALSE(fs::exists(dir.path() / "out/.zarvo-staging"));
  EXPECT_EQ(run({"verify", out(), publicKey}).code, 0);
  EXPECT_EQ(sequence(), 2);
  Manifest rebuiltManifest;
  std::string error;
  ASSERT_TRUE(parseManifestText(readFile(dir / "out/manifest.json"), rebuiltManifest, error)) << error;
  for (const ManifestFile& file : rebuiltManifest.files) {
    EXPECT_EQ(file.chunkSha256, chunkDigests(readFile(dir / ("client/" + file.path)))) << "kept or new: " << file.path;
  }

  // --repack writes everything again, with the same result.
  const Result repacked = build({"--repack"});
  EXPECT_NE(repacked.out.find("12 packed, 0 unchanged"), std::string::npos) << repacked.out;
  EXPECT_EQ(run({"verify", out(), publicKey}).code, 0);

  // Every build is a new release, an unchanged tree too, and the series goes
  // on when either the build state or the published manifest is lost.
  EXPECT_EQ(sequence(), 3);
  fs::remove(dir.path() / "out/.zarvo-build.json");
  ASSERT_EQ(build().code, 0);
  EXPECT_EQ(sequence(), 4);
  fs::remove(dir.path() / "out/manifest.json");
  ASSERT_EQ(build().code, 0);
  EXPECT_EQ(sequence(), 5);

  // A name that changes only in letter case gets its new packed file, and
  // the old one goes (on a file system that tells the two apart).
  fs::rename(dir.path() / "client/Music/Track #1 (remix).ogg", dir.path() / "client/Music/track #1 (remix).ogg");
  ASSERT_EQ(build().code, 0);
  EXPECT_EQ(run({"verify", out(), publicKey}).code, 0);
  EXPECT_TRUE(fs::exists(dir.path() / "out/files/Music/track #1 (remix).ogg.zv"));
  EXPECT_FALSE(fs::exists(dir.path() / "out/files/Music/Track #1 (remix).ogg.zv"));
}

TEST_F(BuilderCli, RefusedSourcesLeaveTheOutputFolderAsItWas) {
  makeClient();
  ASSERT_EQ(build().code, 0);
  const auto before = snapshot(dir.path() / "out");
  struct Case {
    std::string file;      // added to make the build fail
    std::string message;   // expected in standard error
  };
  const Case cases[] = {
      {"client/system/l2.EXE", "two files differ only in letter case: system/L2.exe and system/l2.EXE"},
      {"client/bad|name.txt", "cannot publish bad|name.txt: the launcher refuses names"},
      {"client/aux.txt", "cannot publish aux.txt: \"aux.txt\" is a device name on Windows"},
      // Beside it the launcher could not create "<name>.zvnew".
      {"client/" + std::string(250, 'n'), "cannot publish " + std::string(250, 'n') + ": "},
      {"client/system/Textures/\xC3\xBCn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9 \xC3\x9F.utx",
       "two files differ only in letter case: system/Textures/"},
      {"fx/nv/system/L2.exe", "add-on fx: system/L2.exe in "},
      // A copy of the secret key would let every player sign releases.
      {"client/system/release.key", "system/release.key is the signing key " + key()},
  };
  for (const Case& c : cases) {
    writeFile(dir / c.file, c.file.ends_with(".key") ? readFile(key()) : "x");
    const Result result = build();
    EXPECT_EQ(result.code, 1) << c.file;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(snapshot(dir.path() / "out"), before) << c.file;
    fs::remove(dir / c.file);
  }
  // Two builds at once would clear each other's staging folder and publish
  // each other's packed files under their own names.
  FolderLock running;
  std::string error;
  ASSERT_EQ(running.tryTake(dir.path() / "out/.zarvo-build.lock", error), FolderLock::Outcome::Taken) << error;
  const Result concurrent = build();
  EXPECT_EQ(concurrent.code, 1);
  EXPECT_NE(concurrent.err.find("another build is writing into " + out()), std::string::npos) << concurrent.err;
  EXPECT_EQ(snapshot(dir.path() / "out"), before);
  running.release();
  // Every chunk adds 64 digits: with tiny chunks no launcher reads the manifest.
  writeFile(dir / "tiny.json", R"({"chunkSize": 1})");
  const Result tiny = run({"build", client(), out(), "--key", key(), "--release", (dir.path() / "tiny.json").string()});
  EXPECT_EQ(tiny.code, 1);
  EXPECT_NE(tiny.err.find("bytes, more than the 16777216 a launcher reads"), std::string::npos) << tiny.err;
  EXPECT_EQ(snapshot(dir.path() / "out"), before);
  fs::remove(dir.path() / "fx/all/system/fx.ini");
  const Result noKeyIni = build();
  EXPECT_EQ(noKeyIni.code, 1);
  EXPECT_NE(noKeyIni.err.find("add-on fx: its keyIni system/fx.ini is neither one of its files"), std::string::npos)
      << noKeyIni.err;
  EXPECT_EQ(snapshot(dir.path() / "out"), before);

  // The output folder inside the client folder would publish itself.
  const Result nested = run({"build", client(), client() + "/update", "--key", key()});
  EXPECT_EQ(nested.code, 1);
  EXPECT_NE(nested.err.find("must be apart"), std::string::npos) << nested.err;
  EXPECT_FALSE(fs::exists(dir.path() / "client/update"));
  // So would one inside an add-on's folder.
  writeFile(dir / "fx/all/system/fx.ini", "[INPUT]\n");
  const Result inAddon = run({"build", client(), (dir.path() / "fx/nv/update").string(), "--key", key(), "--release",
                              (dir.path() / "release.json").string()});
  EXPECT_EQ(inAddon.code, 1);
  EXPECT_NE(inAddon.err.find("a folder of add-on fx, must be apart"), std::string::npos) << inAddon.err;
  EXPECT_FALSE(fs::exists(dir.path() / "fx/nv/update"));
}

TEST_F(BuilderCli, VerifyListsEveryProblem) {
  makeClient();
  ASSERT_EQ(build().code, 0);
  std::string damaged = packedOf("system/Textures/Ünïcödé ß.utx");
  damaged[damaged.size() / 2] ^= 0x20;
  writeFile(dir / "out/files/system/Textures/Ünïcödé ß.utx.zv", damaged);
  fs::remove(dir / "out/files/addons/fx/v-nv/system/d3d9.dll.zv");
  const size_t packedSize = packedOf("читать меня.txt").size();
  writeFile(dir / "out/files/читать меня.txt.zv", packedOf("empty.txt"));  // sound, but another file
  // One digit of a chunk digest changed: the manifest no longer matches its
  // signature, nor the chunk its file.
  std::string manifestText = readFile(dir / "out/manifest.json");
  const size_t chunks = manifestText.find("\"chunks\"", manifestText.find("maps/20_21 #map.unr"));
  const size_t digit = manifestText.find("\"sha256\": \"", chunks) + 11;
  ASSERT_NE(chunks, std::string::npos);
  manifestText[digit] = manifestText[digit] == '0' ? '1' : '0';
  writeFile(dir / "out/manifest.json", manifestText);

  const Result result = run({"verify", out(), publicKey});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out,
            "manifest.sig: manifest signature does not match (under this public key)\n"
            "maps/20_21 #map.unr: the chunk digests do not match the file\n"
            "system/Textures/Ünïcödé ß.utx: packed file is damaged\n"
            "system/d3d9.dll: files/addons/fx/v-nv/system/d3d9.dll.zv is missing\n"
            "читать меня.txt: files/читать меня.txt.zv has 20 bytes, the manifest says " +
                std::to_string(packedSize) + "\n5 problems found\n");

  writeFile(dir / "out/manifest.json", R"({"format": 1, "files": [{"path": "../x", "size": 1, "packed": 1}]})");
  const Result refused = run({"verify", out(), publicKey});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.out.find("manifest.json: unsafe path in manifest: ../x\n"), std::string::npos) << refused.out;
  EXPECT_EQ(run({"verify", out(), "abc"}).code, 2);
}

TEST_F(BuilderCli, KeyFilesNeverOverwrittenWithoutForceAndReadWithCare) {
  struct stat info {};
  ASSERT_EQ(stat(key().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600);
  const std::string original = readFile(key());
  ASSERT_EQ(publicKey.size(), 64u);

  const Result again = run({"keygen", key()});
  EXPECT_EQ(again.code, 1);
  EXPECT_NE(again.err.find("already exists; use --force to replace it"), std::string::npos) << again.err;
  EXPECT_EQ(readFile(key()), original);

  const Result forced = run({"keygen", key(), "--force"});
  EXPECT_EQ(forced.code, 0);
  EXPECT_EQ(forced.out.size(), 65u);
  EXPECT_NE(forced.out.substr(0, 64), publicKey);
  EXPECT_EQ(run({"pubkey", key()}).out, forced.out);
  ASSERT_EQ(stat(key().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600);

  const Result usage = run({"keygen"});
  EXPECT_EQ(usage.code, 2);
  const Result help = run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("zarvo-builder keygen KEYFILE"), std::string::npos) << help.out;

  // A device never ends: only what a key file can hold is read.
  const Result endless = run({"pubkey", "/dev/zero"});
  EXPECT_EQ(endless.code, 1);
  EXPECT_NE(endless.err.find("/dev/zero is not a zarvo-builder key file (larger than 4096 bytes"), std::string::npos)
      << endless.err;
  fs::permissions(key(), fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
  const Result open = run({"pubkey", key()});
  EXPECT_EQ(open.out, forced.out);
  EXPECT_NE(open.err.find("warning: " + key() + " can be read or changed by other users"), std::string::npos)
      << open.err;
}

}  // namespace
}  // namespace zv
