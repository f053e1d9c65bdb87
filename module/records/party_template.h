#pragma once
// Party templates (party_templates.txt): the make-up of the parties the world
// map spawns.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/record_data.h"

namespace hm {

class text_reader;

inline constexpr int party_template_stack_count = 6;

struct party_template_stack {
  std::int32_t troop = -1;  // -1 for an empty entry
  std::int32_t min_count = 0;
  std::int32_t max_count = 0;
  std::int32_t member_flags = 0;  // bit 0 prisoners
};

struct party_template {
  // Defined out of line, so a record made in a table (emplace_back) starts
  // from its members' initializers without first zero-filling the whole record.
  party_template();

  ruv_string id;
  ruv_string name;  // underscores read as blanks
  std::uint64_t flags = 0;
  // The word copied to the party, the faction and the personality.
  std::int32_t party_word = 0;
  std::int32_t faction = 0;
  std::int32_t personality = 0;
  party_template_stack stacks[party_template_stack_count];
  // Counters the campaign keeps; 0 after loading.
  std::int32_t created_count = 0;
  std::int32_t removed_count = 0;
  std::int32_t beaten_by_player_count = 0;
  // Module code's slots on the template.
  script_record_data script_data;
};

extern std::vector<party_template> g_party_templates;

// One record: id, name, flags, the three values, six stacks (a negative troop
// is the entry's only token), then the counters set to 0.
void load_party_templates(party_template& record, text_reader& reader);

}  // namespace hm
