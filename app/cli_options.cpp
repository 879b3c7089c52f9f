#include "app/cli_options.h"

#include "platform/command_line.h"

namespace zv::cli {
namespace {

bool takeValue(const std::vector<std::string>& args, size_t& i, std::string& value, std::string& error) {
  if (i + 1 >= args.size()) {
    error = args[i] + " needs a value";
    return false;
  }
  value = args[++i];
  return true;
}

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

}  // namespace

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  options = Options();
  std::vector<std::string> words;
  bool variantOrKey = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool ok = true;
    if (arg == "--client") {
      ok = takeValue(args, i, options.client, error);
    } else if (arg == "--data") {
      ok = takeValue(args, i, options.data, error);
    } else if (arg == "--variant") {
      ok = takeValue(args, i, options.variant, error);
      variantOrKey = true;
    } else if (arg == "--key") {
      ok = takeValue(args, i, options.key, error);
      variantOrKey = true;
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
    if (!ok) return false;
  }
  if (!commandFromWords(words, options, error)) return false;
  if (variantOrKey && options.command != Command::AddonInstall) {
    error = "--variant and --key belong to addon install";
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
         "  addon remove ID\n"
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
  const auto add = [&arguments](const char* name, const std::string& value) {
    if (value.empty()) return;
    arguments.push_back(name);
    arguments.push_back(value);
  };
  add("--client", options.client);
  add("--data", options.data);
  add("--variant", options.variant);
  add("--key", options.key);
  if (options.json) arguments.push_back("--json");
  arguments.push_back("--updated");
  return joinCommandLine(arguments);
}

}  // namespace zv::cli
