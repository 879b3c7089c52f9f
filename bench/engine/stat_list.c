/* The floor for checking an unchanged tree by its metadata: one stat per
   file named in LIST (one path a line), nothing else. */
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  FILE* list = fopen(argv[1], "r");
  if (list == NULL) return 2;
  char line[4096];
  unsigned long found = 0, total = 0;
  while (fgets(line, sizeof line, list) != NULL) {
    line[strcspn(line, "\n")] = '\0';
    struct stat st;
    ++total;
    if (stat(line, &st) == 0 && S_ISREG(st.st_mode)) ++found;
  }
  fclose(list);
  return found == total ? 0 : 1;
}
