// make_map: a module's map.txt from its readable picture source.
//
//   make_map <picture source> <map.txt>
//
// The picture is checked and turned into the map's vertices and faces; the
// result is read back as the game reads it and its regions are printed. A
// source that cannot be read is refused with its line (exit 2), and nothing
// is written.
#include <cstdio>
#include <string>

#include "map_source.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_map <picture source> <map.txt>\n");
    return 1;
  }
  std::string summary;
  const std::string why = hm::tools::make_map_file(argv[1], argv[2], summary);
  if (!why.empty()) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 2;
  }
  std::printf("%s: %s\n", argv[2], summary.c_str());
  return 0;
}
