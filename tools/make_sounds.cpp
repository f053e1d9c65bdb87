// make_sounds: small sound files for sample data, made from a readable list
// (the format is in tones.h).
//
//   make_sounds <list> <output folder>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tones.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_sounds <list> <output folder>\n");
    return 2;
  }
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
