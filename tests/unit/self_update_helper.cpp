// Stands in for a freshly downloaded launcher in the self-update tests: it
// writes the arguments it was started with into "restarted.txt" in its
// current folder, and ends.

#include <fstream>

int main(int argc, char** argv) {
  std::ofstream out("restarted.txt", std::ios::binary);
  for (int i = 1; i < argc; ++i) out << (i > 1 ? " " : "") << argv[i];
  return out ? 0 : 1;
}
