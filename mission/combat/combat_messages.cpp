#include "mission/combat/combat_messages.h"

#include <string>

#include "mission/combat/combat_hooks.h"
#include "script/shared_routines.h"

namespace hm {

void report_combat_line(std::string_view key, std::uint32_t colour, std::initializer_list<format_value> args) {
  const ruv_string text = get_ui_text(key);
  g_combat_hooks().add_message(format_text(text.view(), args), colour);
}

}  // namespace hm
