// make_module: makes what a module folder needs besides its text files, from
// its sources, as the build does for the sample module: the binary resource
// files (Resource/<name>.brf from Resource/<name>.trf, for every file module.ini
// loads), the sound and music files listed in Sounds/tones.txt and
// Music/tones.txt, and the scene-object files (SceneObj/<scene>.sco) of the
// lists beside them (SceneObj/<scene>.txt), and the world map (map.txt from
// map_source.txt). Start a new module by copying
// data/Modules/Sample to data/Modules/<New>, then run `make_module <New>`.
//
//   make_module <module> [--data <dir>]
//
// <module> is a module's name (a folder of <data>/Modules/) or the path of a
// module folder (its data folder is then the folder two above it). The core
// resources (CommonRes/core_*.trf of the data folder) are read first, as the
// game loads them before the module's: the module's materials name their
// shaders and textures. Everything is written into the module folder itself,
// where the game looks first. Exit code 0 on success; 1, with the reason and
// the file, when something cannot be read or written; 2 on a bad command line.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/resource/resource.h"
#include "engine/resource/resource_file.h"
#include "engine/resource/resource_manager.h"
#include "module/base/ini_table.h"
#include "module/loading/module_start.h"
#include "platform/fs.h"
#include "map_source.h"
#include "scene_object_list.h"
#include "tones.h"

namespace fs = std::filesystem;

namespace {

int fail(const std::string& why) {
  std::fprintf(stderr, "make_module: %s\n", why.c_str());
  return 1;
}

void usage(bool help = false) {
  std::fprintf(help ? stdout : stderr,
               "usage: make_module <module> [--data <dir>]\n"
               "  <module>      a module's name (a folder of <data>/Modules/) or a module folder's path\n"
               "  --data <dir>  the data folder (default: %s)\n",
               HOOFMARCH_DEFAULT_DATA_DIR);
}

// "3 materials, 2 meshes": what the file just read holds, by kind, in order.
std::string contents_of(const hm::resource_manager& manager) {
  std::vector<std::pair<std::string, int>> counts;
  for (const hm::resource* r : manager.current_file_resources) {
    const std::string kind = r->get_type_name();
    if (counts.empty() || counts.back().first != kind)
      counts.emplace_back(kind, 1);
    else
      ++counts.back().second;
  }
  if (counts.empty()) return "nothing";
  auto plural = [](std::string kind) {
    if (kind.ends_with("y")) return kind.substr(0, kind.size() - 1) + "ies";
    if (kind.ends_with("sh") || kind.ends_with("s")) return kind + "es";
    return kind + "s";
  };
  std::string out;
  for (const auto& [kind, n] : counts) out += (out.empty() ? "" : ", ") + std::to_string(n) + " " + (n == 1 ? kind : plural(kind));
  return out;
}

// Reads a resource file into the manager without writing anything: the text
// form when there is one, else the binary one. Empty on success, else why not.
std::string read_resources(hm::resource_manager& manager, const fs::path& folder, const std::string& name) {
  const fs::path text = folder / (name + ".trf");
  const fs::path binary = folder / (name + ".brf");
  hm::text_reader text_in;
  hm::binary_reader binary_in;
  hm::stream* in = nullptr;
  if (text_in.open(text.string()))
    in = &text_in;
  else if (binary_in.open(binary.string()))
    in = &binary_in;
  else
    return "cannot open " + text.string() + " or " + binary.string();
  manager.begin_resource_file();
  try {
    manager.read_resource_file(*in);
  } catch (const hm::fatal_error& e) {
    return (in == &text_in ? text : binary).string() + ": " + e.what();
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  std::string module_arg;
  fs::path data = HOOFMARCH_DEFAULT_DATA_DIR;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      usage(true);
      return 0;
    }
    if (arg == "--data") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "make_module: --data needs a folder\n");
        return 2;
      }
      data = argv[++i];
    } else if (arg.starts_with("--") || !module_arg.empty()) {
      std::fprintf(stderr, "make_module: unknown argument \"%s\"\n", argv[i]);
      usage();
      return 2;
    } else {
      module_arg = arg;
    }
  }
  if (module_arg.empty()) {
    std::fprintf(stderr, "make_module: name the module to make\n");
    usage();
    return 2;
  }

  // A path names the module folder itself; a name, a folder of the data
  // folder's Modules.
  std::error_code ec;
  fs::path module_folder;
  if (module_arg.find('/') != std::string::npos || module_arg == "." || module_arg == "..") {
    module_folder = fs::absolute(module_arg, ec).lexically_normal();
    if (module_folder.filename().empty()) module_folder = module_folder.parent_path();
    data = module_folder.parent_path().parent_path();
  } else {
    data = fs::absolute(data, ec);
    module_folder = data / "Modules" / module_arg;
  }
  if (!fs::is_directory(data, ec)) return fail("no data folder " + data.string());
  fs::current_path(data, ec);
  if (!fs::is_directory(module_folder, ec))
    return fail("no module folder " + module_folder.string() + " (modules in " + data.string() +
                "/Modules: " + hm::module_list_text() + ")");
  const fs::path ini_path = module_folder / "module.ini";
  std::FILE* ini_file = std::fopen(ini_path.string().c_str(), "r");
  if (!ini_file)
    return fail("cannot read " + ini_path.string() +
                ": a module folder holds module.ini (copy data/Modules/Sample to start a module)");
  hm::ini_table ini;
  hm::read_ini_file(ini, ini_file);
  std::fclose(ini_file);

  hm::resource_manager manager;
  hm::scoped_fatal_throw fatal_throws;
  const fs::path common = data / "CommonRes";
  for (const char* name : hm::core_resource_files) {
    const std::string why = read_resources(manager, common, name);
    if (!why.empty()) return fail(why + " (the core resources are read before the module's)");
  }
  std::printf("core resources read from %s\n", common.string().c_str());

  const fs::path resource_folder = module_folder / "Resource";
  int converted = 0;
  for (const hm::ini_pair& pair : ini.pairs) {
    const std::string key = pair.key.c_str();
    const std::string name = pair.value.c_str();
    if (key != "load_resource" && key != "load_mod_resource") continue;
    if (name.empty() || name.find_first_of("/\\") != std::string::npos)
      return fail(ini_path.string() + ": \"" + key + " = " + name + "\" does not name a resource file");
    if (key == "load_resource") {
      // A further file of CommonRes: read for what the module's files use.
      const std::string why = read_resources(manager, common, name);
      if (!why.empty()) return fail(why);
      continue;
    }
    const fs::path text = resource_folder / (name + ".trf");
    const fs::path binary = resource_folder / (name + ".brf");
    if (!fs::exists(text, ec)) {
      // A module may ship a binary file without its source.
      const std::string why = read_resources(manager, resource_folder, name);
      if (!why.empty()) return fail(why);
      std::printf("Resource/%s.brf kept (no %s.trf): %s\n", name.c_str(), name.c_str(),
                  contents_of(manager).c_str());
      continue;
    }
    int result = 0;
    try {
      result = hm::convert_resource_file(manager, text.string(), binary.string());
    } catch (const hm::fatal_error& e) {
      return fail(text.string() + ": " + e.what());
    }
    if (result < 0) return fail("cannot open " + text.string());
    if (result > 0) return fail("cannot write " + binary.string());
    std::printf("Resource/%s.trf -> Resource/%s.brf: %s\n", name.c_str(), name.c_str(), contents_of(manager).c_str());
    ++converted;
  }

  int sounds = 0;
  for (const char* folder : {"Sounds", "Music"}) {
    const fs::path list = module_folder / folder / "tones.txt";
    if (!fs::exists(list, ec)) continue;
    std::vector<hm::tools::tone> tones;
    std::string error;
    if (!hm::tools::read_tone_list(list, tones, error)) return fail(error);
    for (const hm::tools::tone& t : tones) {
      const fs::path out = module_folder / folder / t.file;
      if (!hm::tools::write_tone(out, t)) return fail("cannot write " + out.string());
      std::printf("%s/%s: a %g Hz tone of %d ms\n", folder, t.file.c_str(), t.pitch, t.milliseconds);
      ++sounds;
    }
  }
  // Scene-object files of generated scenes, from their lists.
  const fs::path scene_folder = module_folder / "SceneObj";
  if (fs::is_directory(scene_folder, ec)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(scene_folder, ec)) {
      if (entry.path().extension() != ".txt") continue;
      fs::path out = entry.path();
      out.replace_extension(".sco");
      std::string summary;
      const std::string why =
          hm::tools::make_scene_object_file(entry.path().string(), out.string(), data.string(), summary);
      if (!why.empty()) return fail(why);
      std::printf("SceneObj/%s -> SceneObj/%s: %s\n", entry.path().filename().c_str(), out.filename().c_str(),
                  summary.c_str());
    }
  }
  // The world map, from its picture.
  if (const fs::path source = module_folder / "map_source.txt"; fs::exists(source, ec)) {
    std::string summary;
    const std::string why = hm::tools::make_map_file(source.string(), (module_folder / "map.txt").string(), summary);
    if (!why.empty()) return fail(why);
    std::printf("map_source.txt -> map.txt: %s\n", summary.c_str());
  }
  std::printf("module %s: %d resource files and %d sound files made in %s\n", module_folder.filename().c_str(),
              converted, sounds, module_folder.string().c_str());
  return 0;
}
