#pragma once
// The parties of a module's parties.txt, read into plain records. The world
// map keeps its parties in its own pool; this list serves the new game, the
// language export and the module tool until that pool is bound.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "module/new_game.h"

namespace hm {

struct module_party_stack {
  std::int32_t troop = 0;
  std::int32_t count = 0;
  std::int32_t wounded = 0;
  std::int32_t flags = 0;
};

// A party in its short form: the fields parties.txt holds.
struct module_party {
  std::int32_t id = -1;
  std::int32_t form = 0;
  ruv_string string_id;
  ruv_string name;  // underscores read as blanks
  std::uint64_t flags = 0;
  std::int32_t word_1 = 0;
  std::int32_t party_template = 0;
  std::int32_t faction = 0;
  std::int32_t words[5] = {};
  float floats[4] = {};
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  std::vector<module_party_stack> stacks;
  float last_float = 0.0f;
  // bits 48 to 55 of the flags / 30
  float strength = 0.0f;
  std::uint32_t mark = 0;
};

class module_party_list final : public game_party_pool {
 public:
  void read_module_parties(text_reader& reader, int troop_count) override;
  void mark_player_party(std::int32_t party_id) override;
  std::vector<party_summary> active_parties() const override;

  std::int32_t next_id = 0;
  // Active parties in slot order.
  std::vector<module_party> parties;
  // Null for an unknown id.
  module_party* find(std::int32_t id);
};

}  // namespace hm
