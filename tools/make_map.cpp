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
#include "tool_usage.h"

int main(int argc, char** argv) {
  constexpr const char* usage =
      "usage: make_map <picture source> <map.txt>\n"
      "  the picture's terrain, height, cell and origin lines, then \"map\", its rows and \"end\"\n";
  if (hm::tools::asks_for_help(argc, argv)) return hm::tools::print_usage(usage, true);
  if (argc != 3) return hm::tools::print_usage(usage, false);
  std::string summary;
  const std::string why = hm::tools::make_map_file(argv[1], argv[2], summary);
  if (!why.empty()) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 2;
  }
  std::printf("%s: %s\n", argv[2], summary.c_str());
  return 0;
}
