#include "script/record_data.h"

namespace hm {

void slot_vector::set(std::int64_t slot, std::int64_t value) {
  if (slot < 0 || slot > max_slot_number) return;
  if (slot >= static_cast<std::int64_t>(values.size())) {
    // Powers of two up to 65,536 keep the common small slot numbers cheap to
    // grow into; beyond that a record grows only as far as it is written.
    std::int64_t size = 16;
    while (size <= slot && size < 65536) size *= 2;
    if (size <= slot) size = slot + 1;
    values.resize(static_cast<std::size_t>(size), 0);
  }
  values[static_cast<std::size_t>(slot)] = value;
}

}  // namespace hm
