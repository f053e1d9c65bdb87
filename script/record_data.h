#pragma once
// What module code keeps on the records of the world: numbered integer slots
// on troops, parties, factions, scenes, party templates, agents, quests and
// item kinds; eight notes and a tableau material on troops, factions, parties
// and quests. Each record owner embeds one of these in its records and hands
// it to the script engine through the host (script/script_host.h).
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"

namespace hm {

// The record kinds that carry slots, numbered as the slot operations number
// them (the opcode is the family base plus the kind).
enum class script_record_kind : int {
  troop = 0,
  party = 1,
  faction = 2,
  scene = 3,
  party_template = 4,
  agent = 5,
  quest = 6,
  item_kind = 7,
};

inline constexpr std::int64_t max_slot_number = 0xFFFFF;

// A growable vector of 64-bit values. Reading beyond the stored entries gives
// 0; writing slot n grows the vector to the smallest of 16, 32, ... 65,536
// entries that is greater than n, or to exactly n + 1 entries beyond that.
struct slot_vector {
  std::vector<std::int64_t> values;

  std::int64_t get(std::int64_t slot) const {
    if (slot < 0 || slot >= static_cast<std::int64_t>(values.size())) return 0;
    return values[static_cast<std::size_t>(slot)];
  }
  // Slots outside 0..max_slot_number are ignored.
  void set(std::int64_t slot, std::int64_t value);
  void clear() {
    values.clear();
    values.shrink_to_fit();
  }
};

inline constexpr int note_slot_count = 8;

// A note: a text and the day it was written (-1 for none).
struct record_note {
  ruv_string text;
  std::int32_t date = -1;
};

struct script_record_data {
  slot_vector slots;
  std::array<record_note, note_slot_count> notes;
  // The tableau material that draws the record in the notes window.
  std::int32_t tableau_material = -1;
};

}  // namespace hm
