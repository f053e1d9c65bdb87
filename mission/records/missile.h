#pragma once
// Missiles in flight, and the mission's pool of them: sixteen records to a
// chunk, addressed by slot index, with retired slots listed for reuse.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/timer.h"
#include "module/records/item_kind.h"

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
  // The record's index in the pool, and the running number given when the
  // slot was taken.
  std::int32_t slot = -1;
  std::int32_t serial = 0;
  vec3 start_position;
  vec3 position;
  vec3 previous_position;
  // Unit length.
  vec3 direction{0.0f, 1.0f, 0.0f};
  // The missile's scene entity; null once removed.
  hm::entity* entity = nullptr;
  std::int32_t shooter = -1;
  // The launch speed plus the shooter's forward speed at release; drag slows
  // it in flight.
  float speed = 0.0f;
  // What the weapon alone gives: the speed it left the launcher with and the
  // damage it carries at that speed.
  float launch_speed = 0.0f;
  float damage = 0.0f;
  std::int32_t state = missile_flying;
  // Restarted when the state changes from flying.
  timer state_timer{clock_mission};
  // The weapon that shot it and the ammunition it came from (kind -1 none).
  item launcher;
  item ammunition;
  // Radians a second about the side axis; 0 for no spin.
  float spin = 0.0f;
  // Cleared at the end of each update.
  std::uint8_t frame_byte = 0;
  // 1 while it may still pass the listener (the camera was ahead at
  // release), 3 after it passed; 0 for one that never whizzes.
  std::int32_t pass_by_state = 0;
  std::int32_t pass_by_sound = -1;
  float pass_by_start = 0.0f;
};

inline constexpr int missile_chunk_size = 16;

class missile_pool {
 public:
  // A free slot (the last retired first; when none is free a new chunk of
  // sixteen, whose highest slot comes first), made a fresh record, marked in
  // use and numbered with the next serial.
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
  std::int32_t next_serial_ = 0;
  std::vector<std::int32_t> free_slots_;
  std::vector<std::unique_ptr<std::array<missile, missile_chunk_size>>> chunks_;
};

}  // namespace hm
