#pragma once
// Records kept sixteen to a chunk with a list of free slots. A record never
// moves once its chunk exists, so slot numbers and pointers stay valid for the
// pool's life; freed slots are handed out again, the last freed first.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace hm {

inline constexpr int pool_chunk_size = 16;

// Record needs the fields state (0 free, 1 in use), slot and id.
template <class Record>
class paged_pool {
 public:
  // A free slot, in use with the next record id; a fresh chunk of sixteen is
  // added when no slot is free, and hands out its highest slot first.
  int take_free() {
    if (free_slots_.empty()) allocate_block();
    const int slot = free_slots_.back();
    free_slots_.pop_back();
    Record& r = at(slot);
    r.state = 1;
    r.id = next_id_++;
    return slot;
  }
  // Puts a slot back on the free list; a slot not in use is left alone.
  void release(int slot) {
    Record* r = get(slot);
    if (r == nullptr || r->state == 0) return;
    r->state = 0;
    free_slots_.push_back(slot);
  }
  // The record of a slot; null for a slot the pool does not have.
  Record* get(int slot) {
    return slot >= 0 && slot < slot_count_ ? &at(slot) : nullptr;
  }
  const Record* get(int slot) const {
    return slot >= 0 && slot < slot_count_ ? &(*chunks_[slot / pool_chunk_size])[slot % pool_chunk_size] : nullptr;
  }
  // Frees every chunk and both lists.
  void clear() {
    chunks_.clear();
    free_slots_.clear();
    slot_count_ = 0;
  }
  // Room for n slots (whole chunks), every slot unused and the free list
  // empty: a reader then marks the slots it fills and rebuilds the list.
  void reset_slots(int n) {
    clear();
    while (slot_count_ < n) allocate_block();
    for (int i = 0; i < slot_count_; ++i) at(i).state = 0;
    free_slots_.clear();
  }
  // Every unused slot on the free list, in slot order.
  void rebuild_free_slots() {
    free_slots_.clear();
    for (int i = 0; i < slot_count_; ++i) {
      if (at(i).state == 0) free_slots_.push_back(i);
    }
  }
  int slot_count() const { return slot_count_; }
  std::int32_t next_id() const { return next_id_; }
  void set_next_id(std::int32_t id) { next_id_ = id; }
  const std::vector<int>& free_slots() const { return free_slots_; }

 private:
  void allocate_block() {
    chunks_.push_back(std::make_unique<std::array<Record, pool_chunk_size>>());
    auto& chunk = *chunks_.back();
    for (int i = 0; i < pool_chunk_size; ++i) {
      chunk[i].state = 0;
      chunk[i].slot = slot_count_ + i;
      free_slots_.push_back(slot_count_ + i);
    }
    slot_count_ += pool_chunk_size;
  }
  Record& at(int slot) { return (*chunks_[slot / pool_chunk_size])[slot % pool_chunk_size]; }

  int slot_count_ = 0;
  std::vector<int> free_slots_;
  std::vector<std::unique_ptr<std::array<Record, pool_chunk_size>>> chunks_;
  std::int32_t next_id_ = 0;
};

}  // namespace hm
