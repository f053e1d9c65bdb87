#pragma once
// The module's animation actions (actions.txt): for every action of humans and
// horses, its flags and the animation sequences (variants) it may play.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

class skeleton_anim;
class text_reader;

struct action_sequence {
  float duration = 0.0f;  // seconds
  ruv_string animation_name;
  skeleton_anim* animation = nullptr;
  std::int32_t first_frame = 0;
  std::int32_t last_frame = 0;
  // Low byte the blend time ((b - 1) x 0.1 s, 0 the default); 0x10000000
  // looping; 0x20000000 continue the phase; 0x40000000 start at the phase
  // value; 0x80000000 mirrored phase.
  std::uint32_t flags = 0;
  std::uint32_t flags2 = 0;
  vec3 root_motion;
  float phase = 0.0f;
};

struct action_record {
  ruv_string name;
  std::uint32_t flags = 0;
  // The top byte of the flags when it is not 0, else 100.
  std::int32_t pitch_frames = 100;
  std::vector<action_sequence> sequences;
};

struct action_table {
  std::vector<action_record> actions;

  int count() const { return static_cast<int>(actions.size()); }
};

extern action_table g_action_table;

// Reads an action count and the actions into the table (its old actions are
// dropped first). Animation names are looked up as skeleton animations in the
// resource manager, whose miss is fatal.
void read_action_table(text_reader& reader, action_table& table);

// Reads the module folder's actions.txt into g_action_table; fatal "Unable to
// open %s" when it cannot be opened.
void load_actions();

}  // namespace hm
