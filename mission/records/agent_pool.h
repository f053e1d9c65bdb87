#pragma once
// The mission's agents, sixteen records to a chunk. An agent's index names its
// chunk (index >> 4) and its slot in the chunk (index & 15); chunks are never
// moved or freed while the mission runs, so an index stays valid until the
// mission is cleared. Freed slots are handed out again lowest first.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "mission/records/agent.h"

namespace hm {

inline constexpr int agent_chunk_size = 16;

class agent_pool {
 public:
  // The lowest free slot (a new chunk of sixteen when none is free), made a
  // fresh record, marked in use and numbered with its index.
  agent& allocate();
  // Marks every slot free and lists all of them as free again; the chunks
  // stay, so the next allocations reuse them from index 0.
  void free_all();
  // Drops every chunk (the end of the program, or a test's fresh start).
  void release_memory();

  // The record of an index below count(), in use or not; null otherwise.
  agent* get(int index) {
    return index >= 0 && index < count_ ? &(*chunks_[static_cast<std::size_t>(index >> 4)])[index & 15] : nullptr;
  }
  const agent* get(int index) const {
    return index >= 0 && index < count_ ? &(*chunks_[static_cast<std::size_t>(index >> 4)])[index & 15] : nullptr;
  }
  // The record when the index names a slot in use; null otherwise.
  agent* get_live(int index) {
    agent* a = get(index);
    return a != nullptr && a->in_use != 0 ? a : nullptr;
  }
  const agent* get_live(int index) const {
    const agent* a = get(index);
    return a != nullptr && a->in_use != 0 ? a : nullptr;
  }

  // Walks of the slots in use, in index order: the first live index, then the
  // one after a given index; count() when there is none.
  int first_live() const { return next_live(-1); }
  int next_live(int index) const;

  // Slots in all chunks.
  int count() const { return count_; }
  // Records handed out since the pool was made: a change says an agent came
  // (perhaps into a freed slot) since it was last read.
  std::uint64_t allocations() const { return allocations_; }
  int chunk_count() const { return static_cast<int>(chunks_.size()); }
  const std::vector<std::int32_t>& free_slots() const { return free_slots_; }

 private:
  void add_chunk();

  std::int32_t count_ = 0;
  std::uint64_t allocations_ = 0;
  // Kept in descending order, so the lowest free slot is the last.
  std::vector<std::int32_t> free_slots_;
  std::vector<std::unique_ptr<std::array<agent, agent_chunk_size>>> chunks_;
};

// Calls f(agent&) for every agent in use, in index order.
template <class F>
void for_each_live_agent(agent_pool& pool, F&& f) {
  for (int i = pool.first_live(); i < pool.count(); i = pool.next_live(i)) f(*pool.get(i));
}
template <class F>
void for_each_live_agent(const agent_pool& pool, F&& f) {
  for (int i = pool.first_live(); i < pool.count(); i = pool.next_live(i)) f(*pool.get(i));
}

}  // namespace hm
