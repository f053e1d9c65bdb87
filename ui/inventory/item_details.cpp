#include "ui/inventory/item_details.h"

#include <string>

#include "engine/core/text_format.h"
#include "module/base/module_settings.h"
#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "module/records/world_records.h"
#include "module/text/translation_table.h"
#include "script/game_hooks.h"
#include "script/script_state.h"
#include "ui/manager/ui_manager.h"

namespace hm {

namespace {

constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr std::uint32_t title_colour = 0xFFF0E0D0u;
constexpr std::uint32_t class_colour = 0xFFC0B0E0u;
constexpr std::uint32_t price_colour = 0xFFFFFDF0u;
constexpr std::uint32_t damage_colour = 0xFFFFB0A0u;
constexpr std::uint32_t accuracy_colour = 0xFFEEBBFEu;
constexpr std::uint32_t morale_colour = 0xFFA0F0B0u;
constexpr std::uint32_t horse_armour_colour = 0xFFDDDDFFu;
constexpr std::uint32_t requirement_met_colour = 0xFF66FF44u;
constexpr std::uint32_t requirement_unmet_colour = 0xFFEE4444u;
constexpr std::uint32_t bonus_colour = 0xFFBBFF22u;
constexpr std::uint32_t drawback_colour = 0xFFCCBB33u;

constexpr std::uint32_t flag_two_handed_only = 0x200000;
constexpr std::uint32_t flag_consumable_amount = 0x2000000;
constexpr std::uint32_t flag_cannot_block = 0x4000;
constexpr std::uint32_t flag_not_on_horseback = 0x10100000;
constexpr std::uint32_t flag_bonus_against_shields = 0x4000000;

// Lines the module may add per item.
constexpr int script_line_count = 8;

// The translation of a key (its own text when untranslated).
std::string tr(const char* key) { return std::string(g_translation_table.get_string_by_id(key).view()); }

ruv_string formatted(const char* key, std::initializer_list<format_value> values) {
  return ruv_string(format_text(tr(key), values));
}

// A record's shown name: the translation of its id, else its own name, with
// blanks for underscores.
std::string shown_name(const ruv_string& id, const ruv_string& own) {
  const ruv_string* t = id.empty() ? nullptr : g_translation_table.find_translation(id.view());
  std::string s(t ? t->view() : own.view());
  for (char& c : s)
    if (c == '_') c = ' ';
  return s;
}

// Bits 8-9 of a damage field: cut, pierce or blunt.
std::string damage_type_text(std::int32_t field) {
  switch ((field >> 8) & 3) {
    case 0:
      return tr("ui_cut_short");
    case 1:
      return tr("ui_pierce_short");
    default:
      return tr("ui_blunt_short");
  }
}

// A real number for a translation's text placeholder, one decimal.
std::string one_decimal(float v) { return format_text("%.1f", {static_cast<double>(v)}); }

bool is_one_of(int type, std::initializer_list<int> types) {
  for (int t : types)
    if (t == type) return true;
  return false;
}

// Floor, plus one only when the fraction is above one half.
int round_reach(float value) {
  const float whole = std::floor(value);
  return static_cast<int>(whole) + (value - whole > 0.5f ? 1 : 0);
}

}  // namespace

ruv_string get_item_name_text(const item& it) {
  const item_kind* k = it.get_kind();
  if (it.kind < 0 || !k) return ruv_string("ERROR: INVALID ITEM");
  const std::string name = shown_name(k->id, k->name);
  const int m = it.modifier();
  if (m == 0 || m < 0 || m >= item_modifier_count) return ruv_string(name);
  const item_modifier& mod = g_item_modifiers[static_cast<std::size_t>(m)];
  const ruv_string* t = mod.id.empty() ? nullptr : g_translation_table.find_translation(mod.id.view());
  const std::string pattern(t ? t->view() : mod.name.view());
  return ruv_string(format_text(pattern, {name}));
}

ruv_string get_attribute_name_text(int attribute) {
  switch (attribute) {
    case 0:
      return ruv_string(tr("ui_strength"));
    case 1:
      return ruv_string(tr("ui_agility"));
    case 2:
      return ruv_string(tr("ui_intelligence"));
    default:
      return ruv_string(tr("ui_charisma"));
  }
}

std::vector<item_details_line> make_item_details_lines(const item& it, const item_details_price& price) {
  std::vector<item_details_line> out;
  const item_kind* k = it.get_kind();
  if (it.kind < 0 || !k) return out;
  const int type = k->type();
  auto line = [&out](ruv_string text, float size, std::uint32_t colour) {
    out.push_back({std::move(text), size, colour});
  };

  line(get_item_name_text(it), 0.025f, title_colour);

  if (type == item_type::one_handed) {
    line(ruv_string(tr("ui_one_handed")), 0.021f, class_colour);
  } else if (type == item_type::two_handed) {
    line(ruv_string(tr((k->flags & flag_two_handed_only) ? "ui_two_handed" : "ui_two_handed_one_handed")), 0.021f,
         class_colour);
  } else if (type == item_type::polearm) {
    line(ruv_string(tr((k->flags & flag_two_handed_only) ? "ui_polearm_no_shield" : "ui_polearm")), 0.021f,
         class_colour);
  }

  if (is_one_of(type, {item_type::arrows, item_type::bolts, item_type::thrown, item_type::bullets}) ||
      (type == item_type::goods && (k->flags & flag_consumable_amount))) {
    const int maximum = it.get_max_ammo();
    line(ruv_string(format_text("(%d / %d)", {maximum - it.used_shots(), maximum})), 0.024f, white);
  } else if (type == item_type::shield) {
    line(ruv_string(format_text("(%d / %d)", {it.hit_points(), it.get_max_hit_points()})), 0.024f, white);
  }

  if (price.other_side)
    line(price.traded ? formatted("ui_reclaim_price", {price.recorded_price})
                      : formatted("ui_buying_price", {price.price}),
         0.024f, price_colour);
  else
    line(price.traded ? formatted("ui_return_price", {price.recorded_price}) : formatted("ui_sell_price", {price.price}),
         0.024f, price_colour);

  if (k->weight > 0.00001f) line(formatted("ui_weight", {one_decimal(k->weight)}), 0.022f, white);

  if (type >= item_type::head_armor && type <= item_type::hand_armor) {
    if (const int v = it.get_head_armor()) line(formatted("ui_plus_value_to_head_armor", {v}), 0.024f, white);
    if (const int v = it.get_body_armor()) line(formatted("ui_plus_value_to_body_armor", {v}), 0.024f, white);
    if (const int v = it.get_leg_armor()) line(formatted("ui_plus_value_to_leg_armor", {v}), 0.024f, white);
  }

  const bool ranged = is_one_of(type, {item_type::bow, item_type::crossbow, item_type::thrown, item_type::pistol,
                                       item_type::musket});
  const bool melee = is_one_of(type, {item_type::one_handed, item_type::two_handed, item_type::polearm});
  if (ranged || melee) {
    if (const int swing = it.get_damage(0))
      line(formatted("ui_swing", {swing, damage_type_text(k->swing_damage)}), 0.024f, damage_colour);
    if (const int thrust = it.get_damage(1))
      line(formatted(ranged ? "ui_damage" : "ui_thrust", {thrust, damage_type_text(k->thrust_damage)}), 0.024f,
           damage_colour);
    if (type != item_type::thrown && ranged) {
      int accuracy = k->leg_armor == 0 ? 99 : k->leg_armor;
      if (accuracy > 100) accuracy = 100;
      line(formatted("ui_accuracy", {accuracy}), 0.024f, accuracy_colour);
    }
    if (const int speed = it.get_speed_rating()) line(formatted("ui_speed_rating", {speed}), 0.024f, white);
  }

  if (is_one_of(type, {item_type::arrows, item_type::bolts, item_type::bullets})) {
    const int thrust = it.get_damage(1);
    if (thrust != 0)
      line(formatted("ui_value_to_damage", {std::string(thrust > 0 ? "+" : " "), thrust}), 0.024f, damage_colour);
  }

  if (type == item_type::goods && g_module_settings.disable_food_slot == 0 && k->head_armor > 0)
    line(formatted("ui_value_to_morale", {one_decimal(static_cast<float>(k->head_armor) * 0.02f)}), 0.024f,
         morale_colour);

  if (type == item_type::shield) {
    line(formatted("ui_resistance", {it.get_body_armor()}), 0.024f, white);
    line(formatted("ui_size", {k->weapon_length}), 0.024f, white);
    line(formatted("ui_speed_rating", {it.get_speed_rating()}), 0.024f, white);
  }

  if (melee) line(formatted("ui_weapon_reach", {round_reach(static_cast<float>(k->weapon_length))}), 0.024f, white);

  if (type == item_type::horse) {
    line(formatted("ui_armor", {it.get_body_armor()}), 0.024f, horse_armour_colour);
    line(formatted("ui_speed", {it.get_horse_speed()}), 0.024f, white);
    line(formatted("ui_maneuver", {it.get_horse_maneuver()}), 0.024f, white);
    line(formatted("ui_charge", {it.get_horse_charge()}), 0.024f, white);
    line(formatted("ui_hit_points", {it.get_max_hit_points()}), 0.024f, white);
  }

  if (const int difficulty = it.get_difficulty()) {
    int attribute = -1;
    int skill_number = -1;
    if (is_one_of(type, {item_type::one_handed, item_type::two_handed, item_type::polearm, item_type::crossbow}) ||
        (type >= item_type::head_armor && type <= item_type::hand_armor))
      attribute = 0;
    else if (type == item_type::horse)
      skill_number = 24;
    else if (type == item_type::bow)
      skill_number = 33;
    else if (type == item_type::thrown)
      skill_number = 34;
    else if (type == item_type::shield)
      skill_number = 26;
    if (attribute >= 0 || skill_number >= 0) {
      std::string name;
      if (attribute >= 0) {
        name = std::string(get_attribute_name_text(attribute).view());
      } else {
        const skill& s = g_skills[static_cast<std::size_t>(skill_number)];
        name = shown_name(s.id, s.name);
      }
      int have = 0;
      if (g_game)
        if (const troop* p = g_game->find_troop(g_game->player_troop)) have = p->get_requirement_value_for_item(*k);
      line(formatted("ui_requires_value_difficulty", {name, difficulty}), 0.024f,
           have >= difficulty ? requirement_met_colour : requirement_unmet_colour);
    }
  }

  if (k->flags & flag_bonus_against_shields) line(ruv_string(tr("ui_bonus_against_shields")), 0.024f, bonus_colour);
  if (k->flags & flag_cannot_block) line(ruv_string(tr("ui_cant_be_used_to_block")), 0.024f, drawback_colour);
  if (k->flags & flag_not_on_horseback)
    line(ruv_string(tr("ui_cannot_be_used_on_horseback")), 0.024f, drawback_colour);

  for (int i = 0; i < script_line_count; ++i) {
    g_script_state.trigger_result = 0;
    g_script_state.result_string = ruv_string();
    call_game_script_3_params(game_hook_code::game_get_item_extra_text, it.kind, i, it.modifier());
    if (g_script_state.result_string.empty()) continue;
    const std::int64_t r = g_script_state.trigger_result;
    const std::uint32_t colour = r == 0 ? white : (static_cast<std::uint32_t>(r) | 0xFF000000u);
    line(g_script_state.result_string, 0.024f, colour);
  }
  return out;
}

void make_item_details_text(const item& it, const ui_vec2& position, const item_details_price& price) {
  g_ui_manager.reset_overlay_texts(nullptr, true);
  g_ui_manager.set_overlay_position(position);
  for (const item_details_line& l : make_item_details_lines(it, price))
    g_ui_manager.add_overlay_text_line(l.text, l.size, l.colour, true);
}

}  // namespace hm
