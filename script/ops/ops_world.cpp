// Scene, faction, quest and encounter operations: a party hidden, removed or
// made for a troop, the player's party meeting another, troops placed in
// scenes and at a scene's entry slots, relations, names and colours of
// factions, the life of quests with their messages and sounds, the side of an
// encounter and the next game menu, and the settings of merchants' goods.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/audio/sound_manager.h"
#include "script/dialog/conversation.h"
#include "script/ops/encounter.h"
#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr std::uint32_t quest_repeatable = 0x2;
constexpr std::uint32_t quest_started = 0x100;
constexpr std::uint32_t quest_completed = 0x200;
constexpr std::uint32_t quest_succeeded = 0x400;
constexpr std::uint32_t quest_failed = 0x800;
constexpr std::uint32_t quest_concluded = 0x1000;
constexpr std::uint32_t quest_taken_colour = 0xFFD0F0C8u;
constexpr std::uint32_t quest_good_colour = 0xFF90FF28u;
constexpr std::uint32_t quest_bad_colour = 0xFFD02028u;
constexpr std::uint32_t relation_improved_colour = 0xFF6FFF28u;
constexpr std::uint32_t relation_deteriorated_colour = 0xFFFF7028u;
constexpr std::uint32_t conversation_flag_0x40 = 0x40;
constexpr std::uint32_t opaque = 0xFF000000u;
// Quest messages are cut to what the message list takes.
constexpr int max_quest_message = 511;
constexpr float max_merchandise_quality = 1000.0f;

const script_host& host() { return current_script_host(); }
script_module_host& module() { return *host().module; }
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }
float hundredths(std::int64_t v) { return static_cast<float>(v) * 0.01f; }

// --- parties ---

constexpr std::uint64_t party_flag_hidden = 0x100;
constexpr std::uint64_t party_flag_limits = 0x100000;
// What a troop's own party does on the map.
constexpr int troop_party_behaviour = 6;

script_campaign_host& campaign() { return *host().campaign; }

template <bool hidden>
void set_party_hidden(operation_call& c) {
  if (!validate_party_id(c.value[0])) return;
  const int id = low32(c.value[0]);
  const std::uint64_t flags = campaign().party_flags(id);
  campaign().set_party_flags(id, hidden ? flags | party_flag_hidden : flags & ~party_flag_hidden, false);
}

void remove_party(operation_call& c) {
  if (validate_party_id(c.value[0])) campaign().remove_party(low32(c.value[0]));
}

void create_troop_party(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  // The new party starts where the player's party stands and takes its
  // values: without a player's party there is nothing to start from.
  const int player = campaign().player_party();
  if (!is_party_active(player)) return;
  const vec3 at = campaign().party_map_position(player);
  const int id = campaign().create_party_for_troop(low32(c.value[0]), at.x, at.y);
  if (id < 0) return;
  campaign().set_party_faction(id, 0);
  campaign().set_party_flags(id, campaign().party_flags(id) | party_flag_limits, false);
  campaign().set_party_ai_behaviour(id, troop_party_behaviour);
  campaign().copy_second_share(player, id);
}

void meet_party(operation_call& c) {
  if (validate_party_id(c.value[0])) campaign().engage_party(campaign().player_party(), low32(c.value[0]));
}

// --- troops in scenes ---

void place_troop(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  const auto placement = (static_cast<std::uint32_t>(c.value[2] & 255) << 16) | static_cast<std::uint32_t>(c.value[1]);
  module().set_troop_word(low32(c.value[0]), script_troop_word::scene_placement, static_cast<std::int32_t>(placement));
}

void unplace_troop(operation_call& c) {
  if (validate_troop_id(c.value[0])) module().set_troop_word(low32(c.value[0]), script_troop_word::scene_placement, 0);
}

void select_scene(operation_call& c) {
  if (validate_scene_id(c.value[0])) g_script_scene_index = low32(c.value[0]);
}

void clear_scene_entries(operation_call&) {
  if (!validate_scene_id(g_script_scene_index)) return;
  for (int slot = 0; slot < scene_entry_slot_count; ++slot) {
    script_scene_entry entry = module().scene_entry(g_script_scene_index, slot);
    entry.troop = -1;
    entry.value = scene_entry_no_value;
    module().set_scene_entry(g_script_scene_index, slot, entry);
  }
}

bool entry_slot_in_range(std::int64_t slot) { return slot >= 0 && slot < scene_entry_slot_count; }

void clear_mission_spawn_flags() {
  if (host().mission->has_mission()) host().mission->clear_spawn_flags();
}

void set_scene_entry_troop(operation_call& c) {
  if (!entry_slot_in_range(c.value[0])) return;
  if (c.value[1] != -1 && !validate_troop_id(c.value[1])) return;
  const int slot = low32(c.value[0]);
  script_scene_entry entry = module().scene_entry(g_script_scene_index, slot);
  entry.troop = low32(c.value[1]);
  if (c.value[1] == -1) {
    entry.count = 0;
    module().set_scene_entry(g_script_scene_index, slot, entry);
    return;
  }
  entry.count = 1;
  if (c.value[2] != 0) entry.value = low32(c.value[2]);
  module().set_scene_entry(g_script_scene_index, slot, entry);
  clear_mission_spawn_flags();
}

bool set_scene_entry_group(operation_call& c) {
  if (!entry_slot_in_range(c.value[0]) || !validate_troop_id(c.value[1]) || c.value[2] <= 0) return false;
  const script_scene_entry entry{low32(c.value[1]), scene_entry_no_value,
                                 static_cast<std::int32_t>(std::min<std::int64_t>(c.value[2], INT32_MAX))};
  module().set_scene_entry(g_script_scene_index, low32(c.value[0]), entry);
  clear_mission_spawn_flags();
  return true;
}

void set_scene_entry_troops(operation_call& c) { set_scene_entry_group(c); }

void set_scene_entry_troops_in_mission(operation_call& c) {
  if (!host().mission->has_mission()) return;
  if (set_scene_entry_group(c)) host().mission->count_spawn_group_agents(low32(c.value[0]), low32(c.value[2]));
}

// --- factions ---

std::int64_t relation_percent(int a, int b) { return round_half_down(module().faction_relation(a, b) * 100.0f); }

void set_faction_relation(operation_call& c) {
  if (!validate_faction_id(c.value[0]) || !validate_faction_id(c.value[1])) return;
  const int a = low32(c.value[0]);
  const int b = low32(c.value[1]);
  const float wanted = std::clamp(static_cast<float>(c.value[2]) * 0.01f, -1.0f, 1.0f);
  const std::int64_t old = relation_percent(a, b);
  module().set_faction_relation(a, b, wanted);
  module().set_faction_relation(b, a, wanted);
  if (a != 0 && b != 0) return;
  const std::int64_t now = relation_percent(a, b);
  const int other = std::max(a, b);
  if (old != now) {
    const bool improved = old < now;
    const ruv_string text =
        format_ui_text(improved ? "ui_your_relations_with_value_has_improved_from_number_to_number"
                                : "ui_your_relations_with_value_has_deteriorated_from_number_to_number",
                       {module().faction_name(other).view(), old, now});
    host().ui->post_pending_message(text.view(), improved ? relation_improved_colour : relation_deteriorated_colour);
  }
  // The other faction's parties show the new relation on the map.
  campaign().mark_faction_parties_changed(other);
}

void set_faction_name(operation_call& c) {
  if (!validate_faction_id(c.value[0]) || !validate_string_id(c.value[1], c.tag[1])) return;
  module().set_faction_name(low32(c.value[0]), format_text(get_string_by_reference(c.value[1], c.tag[1])));
}

void set_faction_colour(operation_call& c) {
  if (validate_faction_id(c.value[0]))
    module().set_faction_colour(low32(c.value[0]), static_cast<std::uint32_t>(c.value[1]) | opaque);
}

// --- quests ---

ruv_string quest_message(const char* key, int quest) {
  const ruv_string name = module().quest_texts(quest).translated_name;
  ruv_string text = format_ui_text(key, {name.view()});
  if (text.length() > max_quest_message) text = ruv_string(text.view().substr(0, static_cast<std::size_t>(max_quest_message)));
  return text;
}

void start_quest(operation_call& c) {
  if (!validate_quest_id(c.value[0])) return;
  // Without a giver of its own the quest comes from the conversation's
  // partner, which is -1 outside a conversation: the quest still starts.
  const int giver = c.value[1] > 0 && validate_troop_id(c.value[1]) ? low32(c.value[1]) : g_conversation.partner_troop;
  const int quest = low32(c.value[0]);
  module().set_quest_giver(quest, giver);
  if (!(module().quest_flags(quest) & quest_repeatable) && (module().quest_status(quest) & quest_started)) return;
  host().ui->add_message_line(quest_message("ui_new_quest_taken", quest).view(), quest_taken_colour);
  host().engine->play_engine_sound(sound_slot::quest_taken);
  module().set_quest_status(quest, quest_started);
}

void tell_quest(int quest, const char* key, std::uint32_t colour, int sound) {
  host().ui->post_pending_message(quest_message(key, quest).view(), colour);
  host().engine->play_engine_sound(sound);
}

void complete_quest(operation_call& c) {
  if (!validate_quest_id(c.value[0])) return;
  const int quest = low32(c.value[0]);
  const std::uint32_t status = module().quest_status(quest);
  const bool repeatable = (module().quest_flags(quest) & quest_repeatable) != 0;
  if (!repeatable && ((status & quest_completed) || !(status & quest_started))) return;
  // A failed quest stays as it is.
  if (status & quest_failed) return;
  tell_quest(quest, "ui_quest_completed_value", quest_taken_colour, sound_slot::quest_completed);
  module().set_quest_status(quest, repeatable ? 0u : status | quest_completed);
}

template <std::uint32_t added>
void end_quest(operation_call& c) {
  if (!validate_quest_id(c.value[0])) return;
  const int quest = low32(c.value[0]);
  module().set_quest_status(quest, module().quest_status(quest) | added);
  if (added & quest_succeeded)
    tell_quest(quest, "ui_quest_succeeded_value", quest_good_colour, sound_slot::quest_succeeded);
  else if (added & quest_failed)
    tell_quest(quest, "ui_quest_failed_value", quest_bad_colour, sound_slot::quest_failed);
  else
    tell_quest(quest, "ui_quest_concluded_value", quest_bad_colour, sound_slot::quest_concluded);
}

void cancel_quest(operation_call& c) {
  if (!validate_quest_id(c.value[0])) return;
  module().set_quest_status(low32(c.value[0]), 0);
  tell_quest(low32(c.value[0]), "ui_quest_cancelled_value", quest_bad_colour, sound_slot::quest_cancelled);
}

void set_quest_status_value(operation_call& c) {
  if (!validate_quest_id(c.value[0])) return;
  const int quest = low32(c.value[0]);
  module().set_quest_status(quest, (module().quest_status(quest) & ~0xFFu) | static_cast<std::uint32_t>(c.value[1] & 255));
}

void update_quest_texts(operation_call& c) {
  if (!validate_quest_id(c.value[0])) return;
  const int quest = low32(c.value[0]);
  script_quest_texts texts = module().quest_texts(quest);
  texts.translated_text = format_text(get_translated_text_field(texts.id.view(), texts.text));
  texts.translated_name = format_text(get_translated_quest_name(texts.id.view(), texts.name));
  module().set_quest_texts(quest, texts);
}

void set_quest_giver_text(operation_call& c) {
  if (!validate_quest_id(c.value[0]) || !validate_string_id(c.value[1], c.tag[1])) return;
  const int quest = low32(c.value[0]);
  script_quest_texts texts = module().quest_texts(quest);
  texts.giver_text = format_text(get_string_by_reference(c.value[1], c.tag[1]));
  module().set_quest_texts(quest, texts);
}

// --- encounters and menus ---

game_script_words& words() { return host().campaign->game_words(); }

void set_game_flag(operation_call&) { words().game_flags |= 0x1; }
void set_conversation_flag(operation_call&) { words().conversation_flags |= static_cast<std::int32_t>(conversation_flag_0x40); }
void set_encounter_side(operation_call& c) {
  if (c.value[0] == 0 || c.value[0] == 1) g_meta_mission.encounter.set_side(1 - low32(c.value[0]));
}
void set_next_menu(operation_call& c) { g_meta_mission.next_menu = low32(c.value[0]); }
void set_meta_mission_flag(operation_call&) { g_meta_mission.flags |= 0x1; }
void set_game_party_word(operation_call& c) { words().game_party_word = low32(c.value[0]); }

// --- merchants' goods ---

void set_merchandise_quality(operation_call& c) {
  const float quality = hundredths(std::clamp<std::int64_t>(c.value[0], 0, 100000));
  module().set_merchandise_quality(std::clamp(quality, 0.0f, max_merchandise_quality));
}

void set_every_stock_multiplier(operation_call& c) {
  const float multiplier = hundredths(c.value[0] == 0 ? 100 : c.value[0]);
  for (int kind = 0; kind < module().item_kind_count(); ++kind) module().set_item_stock_multiplier(kind, multiplier);
}

void set_stock_multiplier(operation_call& c) {
  if (c.value[0] >= 0 && c.value[0] < module().item_kind_count())
    module().set_item_stock_multiplier(low32(c.value[0]), hundredths(c.value[1]));
}

}  // namespace

void register_world_operations() {
  register_operation(1230, set_party_hidden<true>);
  register_operation(1231, set_party_hidden<false>);
  register_operation(1232, remove_party);
  register_operation(1233, create_troop_party);
  register_operation(1250, place_troop);
  register_operation(1251, unplace_troop);
  register_operation(1261, select_scene);
  register_operation(1262, clear_scene_entries);
  register_operation(1263, set_scene_entry_troop);
  register_operation(1264, set_scene_entry_troops);
  register_operation(1265, set_scene_entry_troops_in_mission);
  register_operation(1270, set_faction_relation);
  register_operation(1275, set_faction_name);
  register_operation(1276, set_faction_colour);
  register_operation(1280, start_quest);
  register_operation(1281, complete_quest);
  register_operation(1282, end_quest<quest_succeeded | quest_concluded>);
  register_operation(1283, end_quest<quest_failed | quest_concluded>);
  register_operation(1284, cancel_quest);
  register_operation(1285, set_quest_status_value);
  register_operation(1286, end_quest<quest_concluded>);
  register_operation(1290, update_quest_texts);
  register_operation(1291, set_quest_giver_text);
  register_operation(1300, meet_party);
  register_operation(1301, set_game_flag);
  register_operation(1302, set_conversation_flag);
  register_operation(1303, set_encounter_side);
  register_operation(1304, set_next_menu);
  register_operation(1307, set_meta_mission_flag);
  register_operation(1320, set_game_party_word);
  register_operation(1490, set_merchandise_quality);
  register_operation(1492, set_every_stock_multiplier);
  register_operation(1493, set_stock_multiplier);
}

}  // namespace hm
