#pragma once
// Entry points of a mission scene: where agents appear. Agents of one entry
// point stand in rows from its spawn frame; the placement is reset now and
// then so that later waves start a fresh row block.
#include <cstdint>

#include "engine/core/math.h"
#include "engine/core/timer.h"

namespace hm {

class face;

inline constexpr int mission_entry_point_count = 64;

struct entry_point {
  frame base_frame = frame::identity();
  // Where the next agent appears.
  frame spawn_frame = frame::identity();
  // The entry point's frame in the scene.
  frame own_frame = frame::identity();
  // The spawn frame at the start of the current row.
  frame row_frame = frame::identity();
  std::int32_t row = 0;
  std::int32_t column = 0;
  std::int32_t further_words[2] = {0, 0};
  timer spawn_timer{clock_mission};
  // 0.1 after each spawn.
  float spawn_gap = 0.0f;
  float spacing = 6.0f;
  // The scene ground face under the spawn frame; null when none.
  const face* ground_face = nullptr;

  // Spawning starts over at the entry point's own frame.
  void reset_spawn_position() {
    spawn_frame = own_frame;
    row_frame = own_frame;
    row = 0;
    column = 0;
    ground_face = nullptr;
  }
};

}  // namespace hm
