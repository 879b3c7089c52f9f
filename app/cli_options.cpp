#include "app/cli_options.h"

#include <algorithm>
#include <iterator>

#include "addons/toggle_key.h"
#include "platform/command_line.h"

namespace zv::cli {
namespace {

// The options that take a value, both ways like the commands below.
struct ValueOption {
  const char* name;
  std::string Options::*field;
};
constexpr ValueOption kValueOptions[] = {{"--client", &Options::client}, {"--data", &Options::data},
                                         {"--variant", &Options::variant}, {"--key", &Options::key}};

// The commands of one word, both ways: read from the command line, and
// written again for the new launcher after a self-update.
struct CommandWord {
  const char* word;
  Command command;
};
constexpr CommandWord kOneWord[] = {{"stdio", Command::Stdio}, {"check", Command::Check},
                                    {"repair", Command::Repair}, {"play", Command::Play},
                                    {"addons", Command::Addons}, {"help", Command::Help}};

bool commandFromWords(const std::vector<std::string>& words, Options& options, std::string& error) {
  const size_t count = words.size();
  const std::string first = count > 0 ? words[0] : "stdio";
  for (const CommandWord& one : kOneWord) {
    if (first != one.word) continue;
    if (count > 1) {
      error = "unexpected argument: " + words[1];
      return false;
    }
    options.command = one.command;
    return true;
  }
  if (first == "addon") {
    if (count != 3 || (words[1] != "install" && words[1] != "remove")) {
      error = "use: addon install ID [--variant V] [--key K], or addon remove ID";
      return false;
    }
    options.command = words[1] == "install" ? Command::AddonInstall : Command::AddonRemove;
    options.addonId = words[2];
    return true;
  }
  error = "unknown command: " + first;
  return false;
}

std::string toggleKeyNames() {
  std::string names;
  for (const ToggleKey& key : toggleKeyTable()) names += (names.empty() ? "" : ", ") + key.id;
  return names;
}

}  // namespace

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  options = Options();
  std::vector<std::string> words;
  bool variantOrKey = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto valued = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                     [&arg](const ValueOption& option) { return arg == option.name; });
    if (valued != std::end(kValueOptions)) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      options.*valued->field = args[++i];
      variantOrKey = variantOrKey || valued->field == &Options::variant || valued->field == &Options::key;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--updated") {
      options.updated = true;
    } else if (arg == "--help" || arg == "-h") {
      words = {"help"};
      break;
    } else if (arg.starts_with("--")) {
      error = "unknown option: " + arg;
      return false;
    } else {
      words.push_back(arg);
    }
  }
  if (!commandFromWords(words, options, error)) return false;
  if (variantOrKey && options.command != Command::AddonInstall) {
    error = "--variant and --key belong to addon install";
    return false;
  }
  // The install would quietly take the default key instead.
  if (!options.key.empty() && !findToggleKey(options.key)) {
    error = "--key " + options.key + " is not a toggle key: " + toggleKeyNames();
    return false;
  }
  return true;
}

std::string usageText() {
  return "Usage: zarvo-launcher [COMMAND] [--client DIR] [--data DIR] [--json]\n"
         "\n"
         "Commands:\n"
         "  stdio                     the page protocol: one command object per input line,\n"
         "                            one event per output line (the default)\n"
         "  check                     bring the client up to date\n"
         "  repair                    check every file by its digest and repair the client\n"
         "  play                      start the game\n"
         "  addons                    list the add-ons of the release and the installed ones\n"
         "  addon install ID [--variant V] [--key K]\n"
         "                            install an add-on: V is one of its variants (needed\n"
         "                            when it has any), K its toggle key, one of\n"
         "                            " + toggleKeyNames() + "\n"
         "  addon remove ID           remove an add-on\n"
         "\n"
         "Options:\n"
         "  --client DIR   the game client's folder (default: the folder holding this program)\n"
         "  --data DIR     the launcher's data folder (default: the user's data folder)\n"
         "  --json         print the page's events instead of a progress display\n"
         "\n"
         "The exit status is 0 when the job ended well, 1 otherwise, 2 for a wrong command line.\n";
}

std::string restartArguments(const Options& options) {
  std::vector<std::string> arguments;
  if (options.command == Command::AddonInstall || options.command == Command::AddonRemove) {
    arguments = {"addon", options.command == Command::AddonInstall ? "install" : "remove", options.addonId};
  }
  for (const CommandWord& one : kOneWord) {
    if (options.command == one.command) arguments = {one.word};
  }
  for (const ValueOption& option : kValueOptions) {
    const std::string& value = options.*option.field;
    if (value.empty()) continue;
    arguments.push_back(option.name);
    arguments.push_back(value);
  }
  if (options.json) arguments.push_back("--json");
  arguments.push_back("--updated");
  return joinCommandLine(arguments);
}

}  // namespace zv::cli
