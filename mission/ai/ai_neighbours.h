#pragma once
// The live agents of a mission sorted into square cells once a frame, so
// that a probe ahead of an agent looks only at the few agents near it rather
// than at every agent of a large battle.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class mission;

class agent_buckets {
 public:
  static constexpr float cell_size = 4.0f;
  // How far an agent may have moved within a frame since the sort (a
  // galloping horse covers a third of a metre): a search that bounds the
  // distance of the agents it has not seen takes this off.
  static constexpr float drift = 2.0f;

  // Buckets that watch for agents made within a tick sort again when one
  // comes (a search that must see every agent); others keep their sort for
  // the tick.
  explicit agent_buckets(bool watch_allocations = false) : watch_allocations_(watch_allocations) {}

  // The cell a point falls in; points outside the scene fall in the border
  // cells, so that a cell's agents are never nearer than its place says.
  int cell_x(float x) const;
  int cell_y(float y) const;

  // Sorts the live agents by cell when the mission clock moved on since the
  // last sort, an agent was made since (or another mission asks).
  void refresh(const mission& m);
  // Sorts again at the next refresh whatever the clock says (a new mission
  // may sit where the old one was, at the same tick).
  void forget() { mission_ = nullptr; }
  // Every agent index in one cell (x and y in range).
  template <class F>
  void for_each_in_cell(int x, int y, F&& f) const {
    const std::size_t c = static_cast<std::size_t>(y * columns_ + x);
    for (std::int32_t k = starts_[c]; k < starts_[c + 1]; ++k) f(entries_[static_cast<std::size_t>(k)]);
  }
  // Every agent index in the cells at `ring` cells from (x, y) (ring 0: that
  // cell alone; ring r: the square's border r cells out), clipped to the
  // grid. Returns false once the ring lies wholly outside the grid, so that a
  // search growing ring by ring knows it has seen every agent.
  template <class F>
  bool for_each_in_ring(int x, int y, int ring, F&& f) const {
    const int x0 = x - ring, x1 = x + ring, y0 = y - ring, y1 = y + ring;
    if (x0 < 0 && y0 < 0 && x1 >= columns_ && y1 >= rows_) return false;
    for (int cy = std::max(y0, 0); cy <= std::min(y1, rows_ - 1); ++cy) {
      if (cy == y0 || cy == y1) {
        for (int cx = std::max(x0, 0); cx <= std::min(x1, columns_ - 1); ++cx) for_each_in_cell(cx, cy, f);
      } else {
        if (x0 >= 0) for_each_in_cell(x0, cy, f);
        if (x1 < columns_ && x1 != x0) for_each_in_cell(x1, cy, f);
      }
    }
    return true;
  }
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

  const mission* mission_ = nullptr;
  std::int64_t tick_ = -1;
  int agent_count_ = -1;
  bool watch_allocations_ = false;
  std::uint64_t allocations_ = 0;
  float min_x_ = 0.0f, min_y_ = 0.0f;
  int columns_ = 1, rows_ = 1;
  std::vector<std::int32_t> starts_;
  std::vector<std::int32_t> entries_;
  std::vector<std::int32_t> cells_;
};

// The buckets the AI's steering shares (one thread runs it).
agent_buckets& ai_agent_buckets(const mission& m);
// The buckets the target searches share, sorted on their first search of a
// tick and again when an agent is made; kept apart from the steering's so
// that a search never moves the moment the steering's sort is taken.
agent_buckets& ai_target_buckets(const mission& m);

}  // namespace hm
