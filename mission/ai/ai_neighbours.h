#pragma once
// The live agents of a mission sorted into square cells once a frame, so
// that a probe ahead of an agent looks only at the few agents near it rather
// than at every agent of a large battle.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class mission;

class agent_buckets {
 public:
  static constexpr float cell_size = 4.0f;

  // Sorts the live agents by cell when the mission clock moved on since the
  // last sort (or another mission asks).
  void refresh(const mission& m);
  // Sorts again at the next refresh whatever the clock says (a new mission
  // may sit where the old one was, at the same tick).
  void forget() { mission_ = nullptr; }
  // Every agent index in the cells the box (x and y) touches.
  template <class F>
  void for_each_in_box(const vec3& lo, const vec3& hi, F&& f) const {
    const int x0 = cell_x(lo.x), x1 = cell_x(hi.x), y0 = cell_y(lo.y), y1 = cell_y(hi.y);
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const std::size_t c = static_cast<std::size_t>(y * columns_ + x);
        for (std::int32_t k = starts_[c]; k < starts_[c + 1]; ++k) f(entries_[static_cast<std::size_t>(k)]);
      }
    }
  }

 private:
  int cell_x(float x) const;
  int cell_y(float y) const;

  const mission* mission_ = nullptr;
  std::int64_t tick_ = -1;
  int agent_count_ = -1;
  float min_x_ = 0.0f, min_y_ = 0.0f;
  int columns_ = 1, rows_ = 1;
  std::vector<std::int32_t> starts_;
  std::vector<std::int32_t> entries_;
  std::vector<std::int32_t> cells_;
};

// The buckets the AI shares (one thread runs it).
agent_buckets& ai_agent_buckets(const mission& m);

}  // namespace hm
