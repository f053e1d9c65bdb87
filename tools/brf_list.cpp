// Lists what resource files hold: each file's sections (kind and count) and
// every resource's name, with a few facts per kind.
//
//   brf_list [--names] <file.brf|file.trf>...
//
// Files are read in the order given into one resource manager, as the game
// loads them: list the files a file depends on before it (textures before the
// materials that use them). A name ending in ".trf" is read as text. With
// --names only "<kind> <name>" lines are printed. Exit code 1 on a broken file.
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/skeleton.h"
#include "engine/core/stream.h"
#include "engine/resource/texture_record.h"
#include "tool_usage.h"

namespace {

std::string details_of(const hm::resource& r) {
  char line[256];
  switch (r.get_type_id()) {
    case hm::texture_resource_type_id: {
      const auto& t = static_cast<const hm::texture&>(r);
      std::snprintf(line, sizeof line, "flags 0x%x", t.flags);
      return line;
    }
    case hm::shader_resource_type_id: {
      const auto& s = static_cast<const hm::shader&>(r);
      std::snprintf(line, sizeof line, "flags 0x%x technique %s alternatives %d stages %d", s.flags,
                    s.technique.c_str(), s.alternative_count, s.stage_count);
      return line;
    }
    case hm::material_resource_type_id: {
      const auto& m = static_cast<const hm::material&>(r);
      std::string out = "shader " + std::string(m.shader_name.c_str()) + " textures";
      for (const hm::texture* t : m.textures) out += std::string(" ") + (t ? t->name.c_str() : "none");
      return out;
    }
    case hm::skeleton_resource_type_id:
      std::snprintf(line, sizeof line, "bones %d", static_cast<const hm::skeleton&>(r).bone_count);
      return line;
    case hm::skeleton_anim_resource_type_id: {
      const auto& a = static_cast<const hm::skeleton_anim&>(r);
      int keys = 0;
      for (const hm::rotation_track& t : a.channels) keys += t.key_count;
      std::snprintf(line, sizeof line, "channels %zu rotation keys %d root keys %d", a.channels.size(), keys,
                    a.root_track.key_count);
      return line;
    }
    default:
      return "";
  }
}

bool ends_with(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

int main(int argc, char** argv) {
  bool names_only = false;
  int first = 1;
  if (argc > 1 && std::string_view(argv[1]) == "--names") {
    names_only = true;
    first = 2;
  }
  const bool help = hm::tools::asks_for_help(argc, argv);
  if (help || first >= argc) return hm::tools::print_usage("usage: brf_list [--names] <file.brf|file.trf>...\n", help);
  hm::resource_manager manager;
  hm::scoped_fatal_throw fatal_throws;
  for (int i = first; i < argc; ++i) {
    const std::string path = argv[i];
    hm::text_reader text;
    hm::binary_reader binary;
    hm::stream* in = nullptr;
    bool opened = ends_with(path, ".trf") ? (in = &text, text.open(path)) : (in = &binary, binary.open(path));
    if (!opened) {
      std::fprintf(stderr, "brf_list: cannot open %s\n", path.c_str());
      return 1;
    }
    manager.begin_resource_file();
    try {
      manager.read_resource_file(*in);
    } catch (const hm::fatal_error& e) {
      std::fprintf(stderr, "brf_list: %s: %s\n", path.c_str(), e.what());
      return 1;
    }
    const auto& list = manager.current_file_resources;
    if (!names_only) std::printf("%s: %zu resources\n", path.c_str(), list.size());
    // Sections as read: runs of one kind.
    for (std::size_t at = 0; at < list.size();) {
      std::size_t end = at;
      while (end < list.size() && list[end]->get_type_id() == list[at]->get_type_id()) ++end;
      if (!names_only) std::printf("  %s %zu\n", list[at]->get_type_name(), end - at);
      for (; at < end; ++at) {
        const hm::resource& r = *list[at];
        if (names_only) {
          std::printf("%s %s\n", r.get_type_name(), r.name.c_str());
        } else {
          std::string details = details_of(r);
          std::printf("    %s%s%s\n", r.name.c_str(), details.empty() ? "" : "  ", details.c_str());
        }
      }
    }
  }
  return 0;
}
