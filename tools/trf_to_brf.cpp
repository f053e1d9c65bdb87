// Converts text resource files (.trf) into the binary files (.brf) the game
// loads, with the engine's own reader and writer.
//
//   trf_to_brf <output folder> <file.trf>...
//
// The files are read in the order given into one resource manager, as the game
// loads them, so a file may use what an earlier one holds (materials need their
// textures). Each writes "<output folder>/<name>.brf". Exit code 0 on success,
// 1 on a broken or unreadable file (with the message on standard error).
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/core/log.h"
#include "engine/resource/resource_file.h"
#include "engine/resource/resource_manager.h"
#include "tool_usage.h"

int main(int argc, char** argv) {
  const bool help = hm::tools::asks_for_help(argc, argv);
  if (help || argc < 3) return hm::tools::print_usage("usage: trf_to_brf <output folder> <file.trf>...\n", help);
  const std::filesystem::path out_folder = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(out_folder, ec);
  hm::resource_manager manager;
  hm::scoped_fatal_throw fatal_throws;
  for (int i = 2; i < argc; ++i) {
    const std::filesystem::path input = argv[i];
    const std::filesystem::path output = out_folder / input.filename().replace_extension(".brf");
    try {
      int result = hm::convert_resource_file(manager, input.string(), output.string());
      if (result < 0) {
        std::fprintf(stderr, "trf_to_brf: cannot open %s\n", input.string().c_str());
        return 1;
      }
      if (result > 0) {
        std::fprintf(stderr, "trf_to_brf: cannot write %s\n", output.string().c_str());
        return 1;
      }
    } catch (const hm::fatal_error& e) {
      std::fprintf(stderr, "trf_to_brf: %s: %s\n", input.string().c_str(), e.what());
      return 1;
    }
  }
  return 0;
}
