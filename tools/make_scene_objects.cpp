// make_scene_objects: a scene's ".sco" file made from a readable list of what
// stands in it (see scene_object_list.h for the list):
//
//   make_scene_objects <list> <output .sco> [data folder]
//
// The flora and ground kinds come from <data>/Data/ (default "data"). Exit code
// 0 on success, 1 when the file cannot be written, 2 on a bad list or command
// line.
#include <cstdio>
#include <string>
#include <string_view>

#include "scene_object_list.h"

int main(int argc, char** argv) {
  const bool help = argc > 1 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h");
  if (help || argc < 3 || argc > 4) {
    std::fprintf(help ? stdout : stderr, "usage: make_scene_objects <list> <output .sco> [data folder]\n");
    return help ? 0 : 2;
  }
  std::string summary;
  const std::string fault = hm::tools::make_scene_object_file(argv[1], argv[2], argc > 3 ? argv[3] : "data", summary);
  if (!fault.empty()) {
    std::fprintf(stderr, "make_scene_objects: %s\n", fault.c_str());
    return fault.starts_with("cannot write") ? 1 : 2;
  }
  std::printf("%s\n", summary.c_str());
  return 0;
}
