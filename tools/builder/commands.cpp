#include "tools/builder/commands.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/console.h"
#include "platform/text_path.h"
#include "tools/builder/brand_command.h"
#include "tools/builder/build_command.h"
#include "tools/builder/chunk_compressor.h"
#include "tools/builder/keys.h"
#include "tools/builder/verify_command.h"
#include "zv_version.h"

namespace zv::builder {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  zarvo-builder keygen KEYFILE [--force]\n"
    "      Makes a new signing key, readable only by you, and prints its public key\n"
    "      (the \"publicKey\" of ZarvoLauncher.json). --force replaces an existing key file.\n"
    "  zarvo-builder pubkey KEYFILE\n"
    "      Prints the public key of a key file.\n"
    "  zarvo-builder build SOURCE_DIR OUT_DIR --key KEYFILE [--build TEXT] [--release FILE]\n"
    "                [--repack] [--quiet]\n"
    "      Makes the update tree OUT_DIR (manifest.json, manifest.sig, files/) from the client\n"
    "      folder SOURCE_DIR. A rebuild into the same OUT_DIR keeps packed files whose content\n"
    "      did not change; --repack packs every file again.\n"
    "  zarvo-builder verify OUT_DIR PUBLIC_KEY [--quiet]\n"
    "      Checks the signature, the manifest and every packed file of an update tree.\n"
    "  zarvo-builder brand LAUNCHER_EXE CONFIG_JSON OUT_EXE\n"
    "      Writes a copy of the launcher with the configuration built in, checked with the\n"
    "      launcher's own rules: it then starts without a ZarvoLauncher.json beside it.\n"
    "  zarvo-builder --version\n"
    "      Prints the version and the compression library.\n"
    "Exit codes: 0 success, 1 failure, 2 wrong usage.\n";

int usage(const char* problem) {
  if (problem) std::fprintf(stderr, "zarvo-builder: %s\n", problem);
  std::fputs(kUsage, stderr);
  return 2;
}

// Splits args into positional ones and --options; options listed in
// withValue take the next argument as their value.
struct Parsed {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options;
  std::string problem;

  std::optional<std::string> value(const std::string& name) const {
    std::optional<std::string> found;
    for (const auto& [key, text] : options) {
      if (key == name) found = text;
    }
    return found;
  }
  bool has(const std::string& name) const { return value(name).has_value(); }
};

Parsed parse(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
             const std::vector<std::string>& flags) {
  Parsed parsed;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      parsed.positional.push_back(arg);
      continue;
    }
    const bool takesValue = std::find(withValue.begin(), withValue.end(), arg) != withValue.end();
    if (!takesValue && std::find(flags.begin(), flags.end(), arg) == flags.end()) {
      parsed.problem = "unknown option " + arg;
      return parsed;
    }
    if (takesValue && i + 1 >= args.size()) {
      parsed.problem = arg + " needs a value";
      return parsed;
    }
    parsed.options.emplace_back(arg, takesValue ? args[++i] : std::string());
  }
  return parsed;
}

int keygen(const Parsed& parsed) {
  if (parsed.positional.size() != 1) return usage("keygen takes one key file");
  Seed seed{};
  std::string error;
  if (!createKeyFile(pathFromUtf8(parsed.positional[0]), parsed.has("--force"), seed, error)) {
    return commandFailed(error);
  }
  std::printf("%s\n", publicKeyHex(seed).c_str());
  return 0;
}

int pubkey(const Parsed& parsed) {
  if (parsed.positional.size() != 1) return usage("pubkey takes one key file");
  Seed seed{};
  std::string error;
  const std::filesystem::path keyFile = pathFromUtf8(parsed.positional[0]);
  if (!loadKeyFile(keyFile, seed, error)) return commandFailed(error);
  warnIfOpenToOthers(keyFile);
  std::printf("%s\n", publicKeyHex(seed).c_str());
  return 0;
}

int build(const Parsed& parsed) {
  if (parsed.positional.size() != 2) return usage("build takes a client folder and an output folder");
  const std::optional<std::string> key = parsed.value("--key");
  if (!key) return usage("build needs --key KEYFILE");
  BuildOptions options;
  options.sourceDir = pathFromUtf8(parsed.positional[0]);
  options.outDir = pathFromUtf8(parsed.positional[1]);
  options.keyFile = pathFromUtf8(*key);
  if (const auto release = parsed.value("--release")) options.releaseFile = pathFromUtf8(*release);
  options.build = parsed.value("--build");
  options.repack = parsed.has("--repack");
  options.progress = !parsed.has("--quiet") && isTerminal(ConsoleStream::Error);
  return runBuild(options);
}

int verify(const Parsed& parsed) {
  if (parsed.positional.size() != 2) return usage("verify takes an output folder and a public key");
  return runVerify(pathFromUtf8(parsed.positional[0]), parsed.positional[1],
                   !parsed.has("--quiet") && isTerminal(ConsoleStream::Error));
}

}  // namespace

int commandFailed(const std::string& message) {
  std::fprintf(stderr, "zarvo-builder: %s\n", message.c_str());
  return 1;
}

int runCommand(const std::vector<std::string>& args) {
  useUtf8Console();
  if (args.empty()) return usage(nullptr);
  // Help that was asked for is the answer, not a wrong command line.
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const std::string& command = args[0];
  if (command == "--version") {
    std::printf("zarvo-builder %s (%s)\n", kVersion, ChunkCompressor::libraryName());
    return 0;
  }
  if (command == "keygen") {
    const Parsed parsed = parse(args, {}, {"--force"});
    return parsed.problem.empty() ? keygen(parsed) : usage(parsed.problem.c_str());
  }
  if (command == "pubkey") {
    const Parsed parsed = parse(args, {}, {});
    return parsed.problem.empty() ? pubkey(parsed) : usage(parsed.problem.c_str());
  }
  if (command == "build") {
    const Parsed parsed = parse(args, {"--key", "--build", "--release"}, {"--repack", "--quiet"});
    return parsed.problem.empty() ? build(parsed) : usage(parsed.problem.c_str());
  }
  if (command == "brand") {
    const Parsed parsed = parse(args, {}, {});
    if (!parsed.problem.empty()) return usage(parsed.problem.c_str());
    if (parsed.positional.size() != 3) return usage("brand takes a launcher, a configuration and an output file");
    return runBrand(pathFromUtf8(parsed.positional[0]), pathFromUtf8(parsed.positional[1]),
                    pathFromUtf8(parsed.positional[2]));
  }
  if (command == "verify") {
    const Parsed parsed = parse(args, {}, {"--quiet"});
    return parsed.problem.empty() ? verify(parsed) : usage(parsed.problem.c_str());
  }
  return usage(("unknown command " + command).c_str());
}

}  // namespace zv::builder
