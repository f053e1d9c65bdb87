// Loading against reading: for each file the engine loads, a raw read of the
// same bytes (one allocation of the file's size, one read) and the engine's
// load of it (open, parse, build the records), timed in the same run, at three
// sizes (a quarter, a half, the whole). The files are generated into a
// temporary folder before the runs: a 20 MiB scripts.txt, a module text file of
// each record kind grown from the sample module's records to 4 MiB, and a 30 MB
// .brf of meshes. The run ends with a table of load time over raw-read time per
// file and size: a ratio that stays put from a quarter to the whole means the
// load grows linearly with the file.
//
// Run pinned to one core, from a Release or RelWithDebInfo build:
//   taskset -c 2 build/test/bench/load_bench
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/bench_support.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "module/records/conversation_loader.h"
#include "module/loading/game.h"
#include "module/records/game_menu.h"
#include "module/records/item_kind.h"
#include "module/records/map_icon.h"
#include "module/records/mission_template.h"
#include "module/records/module_mesh.h"
#include "module/base/module_text.h"
#include "module/records/particle_system.h"
#include "module/records/party_template.h"
#include "module/records/presentation_table.h"
#include "module/records/scene_prop.h"
#include "module/records/script_table.h"
#include "module/text/string_table.h"
#include "module/media/tableau_material.h"
#include "module/records/trigger_loaders.h"
#include "module/troops/troop.h"
#include "module/records/world_records.h"
#include "script/dialog/conversation.h"

namespace {

using namespace hm;
namespace fs = std::filesystem;

constexpr std::size_t mib = 1024 * 1024;
constexpr std::size_t scripts_size = 20 * mib;
constexpr std::size_t record_file_size = 4 * mib;
constexpr int brf_meshes = 100;
constexpr int brf_vertices_per_mesh = 5000;  // about 30 MB in all

// The three sizes of each file, as fractions of the whole.
constexpr int size_parts[] = {4, 2, 1};
const char* size_name(int part) { return part == 4 ? "1/4" : part == 2 ? "1/2" : "full"; }

// --- the files ------------------------------------------------------------------------

fs::path work_folder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("hoofmarch_load_bench_" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return folder;
}

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_text(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A sample module file grown to about `size` bytes: its header line (when it has
// one), the record count multiplied, and its records repeated after it. Every
// loader here reads records that do not refer to one another by position, so
// repeated records are as valid as the originals.
std::string grow_module_file(const std::string& sample, std::size_t size) {
  std::size_t at = 0;
  std::string header;
  const std::size_t first_line_end = sample.find('\n');
  if (sample.substr(0, first_line_end).find("version") != std::string::npos) {
    header = sample.substr(0, first_line_end + 1);
    at = first_line_end + 1;
  }
  const std::size_t count_end = sample.find('\n', at);
  const long count = std::strtol(sample.c_str() + at, nullptr, 10);
  const std::string records = sample.substr(count_end + 1);
  const std::size_t copies = size / records.size() + 1;
  std::string text = header + std::to_string(count * static_cast<long>(copies)) + "\n";
  text.reserve(text.size() + copies * records.size());
  for (std::size_t i = 0; i < copies; ++i) text += records;
  return text;
}

void add_material(resource_manager& m, const char* name) {
  auto mat = std::make_unique<material>();
  mat->name = name;
  m.adopt_resource(std::move(mat));
}

void add_default_material(resource_manager& m) { add_material(m, "default"); }

std::string mesh_file(int meshes) {
  resource_manager m;
  add_default_material(m);
  m.begin_resource_file();
  for (int i = 0; i < meshes; ++i) m.adopt_resource(hm::bench::strip_mesh(i, brf_vertices_per_mesh));
  binary_writer w;
  m.write_resource_file(w);
  return std::string(w.contents());
}

// --- the loads ------------------------------------------------------------------------

// One kind of file: the sample it grows from (none for the .brf), its full size
// and how the engine loads it.
struct file_kind {
  std::string name;
  const char* sample;
  std::size_t size;
  std::function<void(const std::string& path)> load;
};

template <class Record>
void read_table(const std::string& path, std::vector<Record>& table, void (*read)(Record&, text_reader&)) {
  text_reader r;
  r.open(path);
  read_module_header(r);
  load_record_table(r, table, "records", read);
}

// Opens the file as the loading sequence does and hands it to the loader.
void load_text(const std::string& path, const std::function<void(text_reader&)>& loader) {
  text_reader r;
  if (!r.open(path)) ruv_error("Unable to open file: %s", path.c_str());
  loader(r);
}

const std::vector<file_kind>& file_kinds() {
  static const std::vector<file_kind> kinds = [] {
    std::vector<file_kind> k;
    auto text_kind = [&k](const char* sample, std::size_t size, std::function<void(text_reader&)> loader) {
      k.push_back({sample, sample, size, [loader](const std::string& path) { load_text(path, loader); }});
    };
    text_kind("scripts.txt", scripts_size, [](text_reader& r) {
      script_table table;
      load_scripts(table, r);
      benchmark::DoNotOptimize(table.count());
    });
    text_kind("item_kinds1.txt", record_file_size, [](text_reader& r) {
      std::vector<item_kind> table;
      load_item_kinds(table, r);
      benchmark::DoNotOptimize(table.size());
    });
    text_kind("troops.txt", record_file_size, [](text_reader& r) {
      std::vector<troop> table;
      read_module_header(r);
      load_record_table(r, table, "troops", [](troop& t, text_reader& in) { t.read(in); });
      benchmark::DoNotOptimize(table.size());
    });
    text_kind("party_templates.txt", record_file_size, [](text_reader& r) {
      std::vector<party_template> table;
      read_module_header(r);
      load_record_table(r, table, "party templates", load_party_templates);
      benchmark::DoNotOptimize(table.size());
    });
    text_kind("scenes.txt", record_file_size, [](text_reader& r) {
      game g;
      read_module_header(r);
      read_scenes(g, r);
      benchmark::DoNotOptimize(g.scenes.size());
    });
    text_kind("quests.txt", record_file_size, [](text_reader& r) {
      std::vector<quest> table;
      read_module_header(r);
      load_record_table(r, table, "quests", [](quest& q, text_reader& in) { q.read(in); });
      benchmark::DoNotOptimize(table.size());
    });
    text_kind("strings.txt", record_file_size, [](text_reader& r) {
      string_table table;
      read_module_header(r);
      load_module_strings(table, r);
      benchmark::DoNotOptimize(table.module_string_count());
    });
    text_kind("quick_strings.txt", record_file_size, [](text_reader& r) {
      string_table table;
      load_quick_strings(table, r);
      benchmark::DoNotOptimize(table.quick_string_count());
    });
    text_kind("menus.txt", record_file_size, [](text_reader& r) {
      std::vector<game_menu> table;
      read_module_header(r);
      load_record_table(r, table, "game menus", load_game_menus);
      benchmark::DoNotOptimize(table.size());
    });
    text_kind("conversation.txt", record_file_size, [](text_reader& r) {
      conversation c;
      read_module_header(r);
      load_dialogs(c, r);
      benchmark::DoNotOptimize(c.line_count());
    });
    text_kind("mission_templates.txt", record_file_size, [](text_reader& r) {
      std::vector<mission_template> table;
      read_module_header(r);
      load_record_table(r, table, "mission templates", load_mission_templates);
      benchmark::DoNotOptimize(table.size());
    });
    text_kind("particle_systems.txt", record_file_size, [](text_reader& r) {
      particle_system_table table;
      read_module_header(r);
      load_particle_systems(table, r);
      benchmark::DoNotOptimize(&table);
    });
    text_kind("presentations.txt", record_file_size, [](text_reader& r) {
      presentation_table table;
      load_presentations(table, r);
      benchmark::DoNotOptimize(&table);
    });
    text_kind("map_icons.txt", record_file_size, [](text_reader& r) {
      std::vector<map_icon> table;
      read_map_icons_header(r);
      load_record_table(r, table, "map icons", load_map_icons);
      benchmark::DoNotOptimize(table.size());
    });
    text_kind("meshes.txt", record_file_size, [](text_reader& r) {
      module_mesh_table table;
      load_module_meshes(table, r);
      benchmark::DoNotOptimize(table.count());
    });
    text_kind("tableau_materials.txt", record_file_size, [](text_reader& r) {
      tableau_material_table table;
      load_tableau_materials(table, r);
      benchmark::DoNotOptimize(&table);
    });
    text_kind("triggers.txt", record_file_size, [](text_reader& r) {
      trigger_list list;
      read_module_header(r);
      load_triggers(list, r, ruv_string("Game Triggers"));
      benchmark::DoNotOptimize(&list);
    });
    text_kind("simple_triggers.txt", record_file_size, [](text_reader& r) {
      simple_trigger_list list;
      read_module_header(r);
      benchmark::DoNotOptimize(load_simple_triggers(list, r, ruv_string("Simple trigger")));
    });
    k.push_back({"meshes.brf", nullptr, 0, [](const std::string& path) {
                   resource_manager m;
                   add_default_material(m);
                   binary_reader r;
                   if (!r.open(path)) ruv_error("Unable to open file: %s", path.c_str());
                   m.read_resource_file(r);
                   benchmark::DoNotOptimize(m.meshes.size());
                 }});
    return k;
  }();
  return kinds;
}

// The generated file of a kind at a fraction of its size.
std::string file_path(const file_kind& kind, int part) {
  return (work_folder() / (std::to_string(part) + "_" + kind.name)).string();
}

void generate_files() {
  const fs::path sample_folder = fs::path(HOOFMARCH_DATA_DIR) / "Modules" / "Sample";
  for (const file_kind& kind : file_kinds()) {
    for (int part : size_parts) {
      if (kind.sample) {
        write_text(file_path(kind, part), grow_module_file(read_text(sample_folder / kind.sample), kind.size / part));
      } else {
        write_text(file_path(kind, part), mesh_file(brf_meshes / part));
      }
    }
  }
}

// --- the runs -------------------------------------------------------------------------

// The raw read: the file's size, one allocation of it, one read.
void raw_read(benchmark::State& state, const std::string& path) {
  std::int64_t bytes = 0;
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
      state.SkipWithError("cannot open the file");
      return;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    std::unique_ptr<char[]> data(new char[static_cast<std::size_t>(size)]);
    const std::size_t got = std::fread(data.get(), 1, static_cast<std::size_t>(size), file);
    std::fclose(file);
    benchmark::DoNotOptimize(data.get());
    bytes = static_cast<std::int64_t>(got);
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

// Opening the file as the engine does: the bytes in the stream's buffer, ready
// to parse.
void stream_open(benchmark::State& state, const file_kind* kind, const std::string& path) {
  const std::int64_t bytes = static_cast<std::int64_t>(fs::file_size(path));
  for (auto _ : state) {
    if (kind->sample) {
      text_reader r;
      benchmark::DoNotOptimize(r.open(path));
    } else {
      binary_reader r;
      benchmark::DoNotOptimize(r.open(path));
    }
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

void engine_load(benchmark::State& state, const file_kind* kind, const std::string& path) {
  const std::int64_t bytes = static_cast<std::int64_t>(fs::file_size(path));
  for (auto _ : state) kind->load(path);
  state.SetBytesProcessed(state.iterations() * bytes);
}

// Keeps each run's best time per iteration and prints, after the usual report,
// load over raw read for each file and size.
class ratio_reporter final : public hm::bench::best_figure_reporter {
 public:
  ratio_reporter() : best_figure_reporter(figure::seconds_per_run) {}

  void print_ratios() const {
    std::printf("\nTime over the raw read's: the whole load (open: the stream's open alone); raw read in ms\n");
    std::printf("  %-24s %12s", "file", "full size");
    for (int part : size_parts) std::printf(" %26s", size_name(part));
    std::printf("\n");
    for (const file_kind& kind : file_kinds()) {
      const double full_mib = static_cast<double>(fs::file_size(file_path(kind, 1))) / mib;
      std::printf("  %-24s %8.1f MiB", kind.name.c_str(), full_mib);
      for (int part : size_parts) {
        const std::string stem = kind.name + "/" + size_name(part);
        const double* load = best("load/" + stem);
        const double* open = best("open/" + stem);
        const double* raw = best("raw/" + stem);
        if (!load || !open || !raw) {
          std::printf(" %26s", "-");
          continue;
        }
        std::printf("  %7.1f (open %5.2f) %7.3f", *load / *raw, *open / *raw, *raw * 1e3);
      }
      std::printf("\n");
    }
  }

};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  generate_files();
  // The materials the sample's tableau materials name.
  add_material(g_resource_manager, "default");
  add_material(g_resource_manager, "none");
  for (const file_kind& kind : file_kinds()) {
    for (int part : size_parts) {
      const std::string path = file_path(kind, part);
      const std::string stem = kind.name + "/" + size_name(part);
      benchmark::RegisterBenchmark(("raw/" + stem).c_str(), raw_read, path)->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("open/" + stem).c_str(), stream_open, &kind, path)->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("load/" + stem).c_str(), engine_load, &kind, path)->Unit(benchmark::kMillisecond);
    }
  }
  ratio_reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(work_folder(), ignored);
  return 0;
}
