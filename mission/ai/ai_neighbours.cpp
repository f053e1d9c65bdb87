#include "mission/ai/ai_neighbours.h"

#include <algorithm>
#include <cmath>

#include "engine/core/timer.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"

namespace hm {

namespace {

// Beyond this many cells a side the scene is cut into coarser cells; agents
// outside the scene rectangle land in the border cells.
constexpr int max_cells_per_side = 256;

}  // namespace

int agent_buckets::cell_x(float x) const {
  const float c = std::floor((x - min_x_) / cell_size);
  return std::clamp(std::isfinite(c) ? static_cast<int>(std::clamp(c, -1.0f, 1e6f)) : 0, 0, columns_ - 1);
}

int agent_buckets::cell_y(float y) const {
  const float c = std::floor((y - min_y_) / cell_size);
  return std::clamp(std::isfinite(c) ? static_cast<int>(std::clamp(c, -1.0f, 1e6f)) : 0, 0, rows_ - 1);
}

void agent_buckets::refresh(const mission& m) {
  const std::int64_t tick = clock_ticks(clock_mission);
  if (mission_ == &m && tick_ == tick && agent_count_ == m.agents.count() &&
      (!watch_allocations_ || allocations_ == m.agents.allocations())) {
    return;
  }
  mission_ = &m;
  tick_ = tick;
  agent_count_ = m.agents.count();
  allocations_ = m.agents.allocations();
  min_x_ = std::isfinite(m.scene_min_x) ? m.scene_min_x : 0.0f;
  min_y_ = std::isfinite(m.scene_min_y) ? m.scene_min_y : 0.0f;
  const float span_x = std::isfinite(m.scene_max_x) ? m.scene_max_x - min_x_ : 0.0f;
  const float span_y = std::isfinite(m.scene_max_y) ? m.scene_max_y - min_y_ : 0.0f;
  columns_ = std::clamp(static_cast<int>(span_x / cell_size) + 1, 1, max_cells_per_side);
  rows_ = std::clamp(static_cast<int>(span_y / cell_size) + 1, 1, max_cells_per_side);
  const std::size_t cells = static_cast<std::size_t>(columns_ * rows_);
  starts_.assign(cells + 1, 0);
  cells_.clear();
  entries_.clear();
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* a = m.get_live_agent(i);
    if (a == nullptr || !a->is_alive()) continue;
    const int c = cell_y(a->position().y) * columns_ + cell_x(a->position().x);
    cells_.push_back(c);
    entries_.push_back(i);
    ++starts_[static_cast<std::size_t>(c) + 1];
  }
  for (std::size_t c = 0; c < cells; ++c) starts_[c + 1] += starts_[c];
  std::vector<std::int32_t> sorted(entries_.size());
  std::vector<std::int32_t> next(starts_.begin(), starts_.end() - 1);
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    sorted[static_cast<std::size_t>(next[static_cast<std::size_t>(cells_[k])]++)] = entries_[k];
  }
  entries_.swap(sorted);
}

agent_buckets& ai_agent_buckets(const mission& m) {
  static agent_buckets buckets;
  buckets.refresh(m);
  return buckets;
}

agent_buckets& ai_target_buckets(const mission& m) {
  static agent_buckets buckets(true);
  buckets.refresh(m);
  return buckets;
}

}  // namespace hm
