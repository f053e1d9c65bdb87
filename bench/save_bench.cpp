// Saving and loading a campaign of 1,000 parties against a raw write and read
// of the same bytes. The save is the whole procedure (the state to bytes, the
// temporary file written and flushed to the disk, the backup link, the rename
// and the folder's flush); the raw write writes and flushes the same bytes to
// one file. The load reads the file and the whole state into the game; the
// raw read reads the file into memory.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "campaign/game/campaign_game.h"
#include "campaign/save/save_format.h"
#include "campaign/save/save_game.h"
#include "engine/core/random.h"
#include "engine/core/stream.h"
#include "module/loading/game.h"
#include "module/records/item_kind.h"
#include "module/records/party_template.h"
#include "module/records/world_records.h"
#include "script/script_state.h"

namespace fs = std::filesystem;
using namespace hm;

namespace {

constexpr int party_count = 1000;

struct campaign_fixture {
  campaign_fixture() {
    random_seed(1);
    g.troops.resize(200);
    g.troops[0].flags = troop_flag::hero;
    for (std::size_t i = 0; i < g.troops.size(); ++i) g.troops[i].name = ruv_string("Troop");
    g.factions.resize(20);
    for (int i = 0; i < 50; ++i) g.scenes.push_back(std::make_unique<scene>());
    g.quests.resize(50);
    g.triggers.triggers.resize(100);
    g.simple_triggers.triggers.resize(50);
    g_party_templates.assign(100, party_template{});
    g_item_kinds.assign(300, item_kind{});
    g_script_state.global_variables.assign(500, 7);
    c = std::make_unique<campaign_game>(g);
    g.parties = c.get();
    for (int i = 0; i < party_count; ++i) {
      const std::int32_t id = c->state.parties.take_free_party();
      party& p = *c->state.parties.get_party_by_id(id);
      p.reset();
      p.identifier = ruv_string("p_band");
      p.name = ruv_string("A band of travellers");
      p.set_stack_count(6);
      for (int s = 0; s < 6; ++s) {
        p.stacks[static_cast<std::size_t>(s)].troop = 1 + (i + s) % 199;
        p.stacks[static_cast<std::size_t>(s)].count = 5 + s;
      }
      p.script_data.slots.set(20, i);
      if (i == 0) p.flags2 |= party_flag2_player_party;
    }
    c->state.player_party = 0;
    bytes = save_game_bytes(g, *c, nullptr);
  }
  game g;
  std::unique_ptr<campaign_game> c;
  std::string bytes;
};

campaign_fixture& fixture() {
  static campaign_fixture f;
  return f;
}

fs::path work_folder() { return fs::temp_directory_path() / ("hm_save_bench_" + std::to_string(::getpid())); }

void save_whole(benchmark::State& state) {
  campaign_fixture& f = fixture();
  save_target target;
  target.module = "Bench";
  for (auto _ : state) {
    if (save_game(f.g, *f.c, 0, nullptr, target) != 0) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

// The state to bytes alone, without the file.
void state_to_bytes(benchmark::State& state) {
  campaign_fixture& f = fixture();
  for (auto _ : state) benchmark::DoNotOptimize(save_game_bytes(f.g, *f.c, nullptr).size());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

void raw_write(benchmark::State& state) {
  campaign_fixture& f = fixture();
  const fs::path path = work_folder() / "raw.sav";
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, f.bytes.data(), f.bytes.size()) != static_cast<ssize_t>(f.bytes.size()) ||
        ::fsync(fd) != 0) {
      state.SkipWithError("raw write failed");
    }
    ::close(fd);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

void load_whole(benchmark::State& state) {
  campaign_fixture& f = fixture();
  const std::string path = slot_file_path("Bench", 0).string();
  for (auto _ : state) {
    binary_reader reader;
    if (!reader.open(path)) state.SkipWithError("open failed");
    save_header header;
    if (!try_read_save_header(header, reader).empty() || !try_read_game_state(f.g, *f.c, reader).empty())
      state.SkipWithError("load failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

void raw_read(benchmark::State& state) {
  campaign_fixture& f = fixture();
  const std::string path = slot_file_path("Bench", 0).string();
  std::string buffer(f.bytes.size(), '\0');
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file || std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size()) state.SkipWithError("raw read failed");
    if (file) std::fclose(file);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

class ratio_reporter final : public hm::bench::best_figure_reporter {
 public:
  ratio_reporter() : best_figure_reporter(figure::seconds_per_run) {}
  void print_ratios() const {
    const double* save = best("save/whole");
    const double* write = best("save/raw_write");
    const double* load = best("load/whole");
    const double* read = best("load/raw_read");
    std::printf("\n%d parties, %zu bytes\n", party_count, fixture().bytes.size());
    if (save && write) std::printf("  save over raw write: %.2f (%.3f ms against %.3f ms)\n", *save / *write, *save * 1e3, *write * 1e3);
    if (load && read) std::printf("  load over raw read:  %.2f (%.3f ms against %.3f ms)\n", *load / *read, *load * 1e3, *read * 1e3);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  fs::create_directories(work_folder());
  setenv("XDG_DOCUMENTS_DIR", work_folder().c_str(), 1);
  fixture();
  benchmark::RegisterBenchmark("save/whole", save_whole)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("save/state_to_bytes", state_to_bytes)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("save/raw_write", raw_write)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("load/whole", load_whole)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("load/raw_read", raw_read)->Unit(benchmark::kMillisecond);
  ratio_reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(work_folder(), ignored);
  return 0;
}
