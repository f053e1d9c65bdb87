#include "mission/records/agent_pool.h"

namespace hm {

void agent_pool::add_chunk() {
  chunks_.push_back(std::make_unique<std::array<agent, agent_chunk_size>>());
  const std::int32_t first = count_;
  count_ += agent_chunk_size;
  // The new slots are all above the free ones already listed, so they go in
  // front to keep the list descending.
  std::vector<std::int32_t> slots;
  slots.reserve(free_slots_.size() + agent_chunk_size);
  for (std::int32_t i = count_ - 1; i >= first; --i) slots.push_back(i);
  slots.insert(slots.end(), free_slots_.begin(), free_slots_.end());
  free_slots_.swap(slots);
}

agent& agent_pool::allocate() {
  ++allocations_;
  if (free_slots_.empty()) add_chunk();
  const std::int32_t index = free_slots_.back();
  free_slots_.pop_back();
  agent& a = *get(index);
  // A reused slot starts over: its timers on the clocks' current ticks, no
  // links, no entity.
  a = agent{};
  a.in_use = 1;
  a.index = index;
  return a;
}

void agent_pool::free_all() {
  free_slots_.clear();
  free_slots_.reserve(static_cast<std::size_t>(count_));
  for (std::int32_t i = count_ - 1; i >= 0; --i) {
    get(i)->in_use = 0;
    free_slots_.push_back(i);
  }
}

void agent_pool::release_memory() {
  chunks_.clear();
  free_slots_.clear();
  count_ = 0;
}

int agent_pool::next_live(int index) const {
  for (int i = index < 0 ? 0 : index + 1; i < count_; ++i) {
    if ((*chunks_[static_cast<std::size_t>(i >> 4)])[i & 15].in_use != 0) return i;
  }
  return count_;
}

}  // namespace hm
