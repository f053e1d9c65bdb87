#include "module/records/party_template.h"

#include "engine/core/stream.h"
#include "module/base/module_text.h"

namespace hm {

party_template::party_template() = default;

std::vector<party_template> g_party_templates;

void load_party_templates(party_template& record, text_reader& reader) {
  reader.read_string(record.id);
  read_spaced_string(reader, record.name);
  reader.read_u64(record.flags);
  reader.read_int(record.party_word);
  reader.read_int(record.faction);
  reader.read_int(record.personality);
  for (party_template_stack& stack : record.stacks) {
    stack = party_template_stack{};
    reader.read_int(stack.troop);
    if (stack.troop >= 0) {
      reader.read_int(stack.min_count);
      reader.read_int(stack.max_count);
      reader.read_int(stack.member_flags);
    }
  }
  record.created_count = 0;
  record.removed_count = 0;
  record.beaten_by_player_count = 0;
}

}  // namespace hm
