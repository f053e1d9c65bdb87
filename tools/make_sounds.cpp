// make_sounds: small sound files for sample data, made from a readable list
// (the format is in tones.h).
//
//   make_sounds <list> <output folder>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tones.h"
#include "tool_usage.h"

int main(int argc, char** argv) {
  const bool help = hm::tools::asks_for_help(argc, argv);
  if (help || argc != 3) return hm::tools::print_usage("usage: make_sounds <list> <output folder>\n", help);
  std::vector<hm::tools::tone> tones;
  std::string error;
  if (!hm::tools::read_tone_list(argv[1], tones, error)) {
    std::fprintf(stderr, "make_sounds: %s\n", error.c_str());
    return 1;
  }
  const std::filesystem::path folder = argv[2];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (const hm::tools::tone& t : tones) {
    if (!hm::tools::write_tone(folder / t.file, t)) {
      std::fprintf(stderr, "make_sounds: cannot write %s\n", (folder / t.file).string().c_str());
      return 1;
    }
  }
  return 0;
}
