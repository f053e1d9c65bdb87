#pragma once
// Pieces the benchmarks share: a generated mesh and a console reporter that
// keeps each benchmark's best figure so a run can print ratios at its end.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/stream.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"

namespace hm::bench {

// A strip of quads, two points across, with texture coordinates along it.
inline std::unique_ptr<mesh> strip_mesh(int index, int vertex_count) {
  auto m = std::make_unique<mesh>();
  m->name = ("strip_" + std::to_string(index)).c_str();
  m->material_name = "default";
  for (int i = 0; i < vertex_count; ++i) {
    const float along = static_cast<float>(i / 2);
    const float across = static_cast<float>(i % 2);
    m->add_point(vec3(along, across, 0.1f * along));
    m->add_vertex(i, along * 0.1f, across, 0xFFFFFFFFu, vec3(0, 0, 1));
  }
  for (int i = 0; i + 2 < vertex_count; i += 2) {
    m->add_face(i, i + 1, i + 3);
    m->add_face(i, i + 3, i + 2);
  }
  return m;
}

// The sample module's skeletons and their animations ("skel_human",
// "skel_horse", "anim_human", "anim_horse"), read into the resource manager
// once.
inline void load_sample_skeletons() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  text_reader r;
  if (!r.open(HOOFMARCH_DATA_DIR "/Modules/Sample/Resource/sample_skeletons.trf")) std::abort();
  g_resource_manager.read_resource_file(r);
}

// Prints as the console reporter does and keeps, per benchmark function, the
// best of its runs (the median where repetitions give aggregates): the real
// time of a run, or its time per item.
class best_figure_reporter : public benchmark::ConsoleReporter {
 public:
  enum class figure { seconds_per_run, seconds_per_item };
  explicit best_figure_reporter(figure f) : figure_(f) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      double seconds;
      if (figure_ == figure::seconds_per_run) {
        seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      } else {
        const auto items = run.counters.find("items_per_second");
        if (items == run.counters.end() || items->second.value <= 0) continue;
        seconds = 1.0 / items->second.value;
      }
      const auto [at, added] = best_.emplace(run.run_name.function_name, seconds);
      if (!added && seconds < at->second) at->second = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }

 protected:
  // The best figure of a benchmark, or null when it did not run.
  const double* best(const std::string& name) const {
    const auto it = best_.find(name);
    return it == best_.end() ? nullptr : &it->second;
  }

 private:
  figure figure_;
  std::map<std::string, double> best_;
};

}  // namespace hm::bench
