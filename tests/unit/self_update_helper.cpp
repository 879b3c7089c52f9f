// Stands in for programs the launcher starts: a freshly downloaded launcher
// in the self-update tests, the game in the game start tests. It writes the
// arguments it was started with into "restarted.txt" in its current folder,
// and ends.
//
// With "--hold FILE" it is a running game instead: it keeps FILE open (on
// Windows that stops its deletion, as a game's open DLLs do), says
// "holding", and ends when its input ends.

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--hold") {
    std::ifstream held(argv[2], std::ios::binary);
    std::cout << (held ? "holding" : "cannot open") << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return held ? 0 : 1;
  }
  std::ofstream out("restarted.txt", std::ios::binary);
  for (int i = 1; i < argc; ++i) out << (i > 1 ? " " : "") << argv[i];
  return out ? 0 : 1;
}
