#pragma once
// Missiles in flight, and the mission's pool of them: sixteen records to a
// chunk, addressed by slot index, with retired slots listed for reuse.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/timer.h"

namespace hm {

class entity;

enum missile_state : std::int32_t {
  missile_flying = 0,
  missile_stuck = 1,       // in the ground or a scene body
  missile_hit_agent = 2,
  missile_spent = 3,
};

struct missile {
  std::int32_t in_use = 0;
  vec3 start_position;
  vec3 position;
  vec3 previous_position;
  // Unit length.
  vec3 direction{0.0f, 1.0f, 0.0f};
  // The missile's scene entity; null once removed.
  hm::entity* entity = nullptr;
  std::int32_t shooter = -1;
  float speed = 0.0f;
  // The speed it left the launcher with and the damage it carries at that
  // speed (the launcher's and the ammunition's, set at release).
  float launch_speed = 0.0f;
  float base_damage = 0.0f;
  std::int32_t state = missile_flying;
  // Restarted when the state changes from flying.
  timer state_timer{clock_mission};
  std::int32_t launcher_item_kind = -1;
  std::int32_t missile_item_kind = -1;
  float spin = 0.0f;
  // Cleared at the end of each update.
  std::uint8_t frame_byte = 0;
  // 1 while it may still pass the listener, 3 after it passed.
  std::int32_t pass_by_state = 0;
  std::int32_t pass_by_sound = -1;
  float pass_by_start = 0.0f;
};

inline constexpr int missile_chunk_size = 16;

class missile_pool {
 public:
  // A free slot (the last retired first; a new chunk of sixteen when none is
  // free), made a fresh record and marked in use.
  missile& allocate();
  // Marks the slot free and lists it for reuse; a slot not in use is left
  // alone.
  void retire(int slot);
  // Every slot free; the chunks stay.
  void reset();

  missile* get(int slot) {
    return slot >= 0 && slot < count_ ? &(*chunks_[static_cast<std::size_t>(slot >> 4)])[slot & 15] : nullptr;
  }
  const missile* get(int slot) const {
    return slot >= 0 && slot < count_ ? &(*chunks_[static_cast<std::size_t>(slot >> 4)])[slot & 15] : nullptr;
  }
  int first_live() const { return next_live(-1); }
  // The next slot in use after `slot`; count() when there is none.
  int next_live(int slot) const;
  int count() const { return count_; }
  int live_count() const;
  const std::vector<std::int32_t>& free_slots() const { return free_slots_; }

 private:
  std::int32_t count_ = 0;
  std::vector<std::int32_t> free_slots_;
  std::vector<std::unique_ptr<std::array<missile, missile_chunk_size>>> chunks_;
};

}  // namespace hm
