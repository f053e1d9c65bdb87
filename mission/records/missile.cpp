#include "mission/records/missile.h"

namespace hm {

missile& missile_pool::allocate() {
  if (free_slots_.empty()) {
    chunks_.push_back(std::make_unique<std::array<missile, missile_chunk_size>>());
    for (std::int32_t i = count_; i < count_ + missile_chunk_size; ++i) free_slots_.push_back(i);
    count_ += missile_chunk_size;
  }
  const std::int32_t slot = free_slots_.back();
  free_slots_.pop_back();
  missile& m = *get(slot);
  m = missile{};
  m.in_use = 1;
  m.slot = slot;
  m.serial = next_serial_++;
  return m;
}

void missile_pool::retire(int slot) {
  missile* m = get(slot);
  if (m == nullptr || m->in_use == 0) return;
  m->in_use = 0;
  free_slots_.push_back(slot);
}

void missile_pool::reset() {
  free_slots_.clear();
  for (std::int32_t i = count_ - 1; i >= 0; --i) {
    get(i)->in_use = 0;
    free_slots_.push_back(i);
  }
}

int missile_pool::next_live(int slot) const {
  for (int i = slot < 0 ? 0 : slot + 1; i < count_; ++i) {
    if (get(i)->in_use != 0) return i;
  }
  return count_;
}

int missile_pool::live_count() const {
  int n = 0;
  for (int i = first_live(); i < count_; i = next_live(i)) ++n;
  return n;
}

}  // namespace hm
