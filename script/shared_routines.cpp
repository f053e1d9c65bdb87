#include "script/shared_routines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/settings/game_options.h"
#include "engine/core/random.h"
#include "script/game_hooks.h"
#include "script/operand.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {

ruv_string get_string_by_reference(std::int64_t index, int tag) {
  const script_module_host& module = *current_script_host().module;
  auto translated = [](const ruv_string& key, const ruv_string& text) {
    return translate_string_record(key.view(), text);
  };
  if (tag == operand_tag::constant) {
    if (index >= 0 && index < script_register_count) {
      return g_script_state.string_registers[static_cast<std::size_t>(index)];
    }
    return ruv_string("Invalid String-register!");
  }
  if (tag == operand_tag::quick_string) {
    if (index >= 0 && index < module.quick_string_count()) {
      const int i = static_cast<int>(index);
      return translated(module.quick_string_key(i), module.quick_string_text(i));
    }
    return ruv_string("Invalid Quick-String!");
  }
  if (index >= 0 && index < module.module_string_count()) {
    const int i = static_cast<int>(index);
    return translated(module.module_string_key(i), module.module_string_text(i));
  }
  return ruv_string("Unexisting String!");
}

ruv_string get_ui_text(std::string_view key) {
  ruv_string out;
  if (current_script_host().module->find_translation(key, out)) return out;
  std::string missing = "STR NOT FOUND: ";
  missing += key;
  return ruv_string(std::string_view(missing));
}

ruv_string translate_string_record(std::string_view key, const ruv_string& text) {
  ruv_string out;
  if (!key.empty() && current_script_host().module->find_translation(key, out)) return out;
  return text;
}

ruv_string get_translated_quest_name(std::string_view quest_id, const ruv_string& name) {
  return translate_string_record(quest_id, name);
}

ruv_string get_translated_text_field(std::string_view quest_id, const ruv_string& text) {
  std::string key(quest_id);
  key += "_text";
  return translate_string_record(key, text);
}

bool format_checked(std::string_view format, std::initializer_list<format_arg> args, ruv_string& out) {
  std::string result;
  const format_arg* next = args.begin();
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    if (c != '%') {
      result += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      result += '%';
      i += 2;
      continue;
    }
    // One specifier: flags, width, precision, length, conversion.
    const std::size_t start = i++;
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos) ++i;
    int digits = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9' && ++digits <= 3) ++i;
    if (i < format.size() && format[i] == '.') {
      ++i;
      int precision_digits = 0;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9' && ++precision_digits <= 3) ++i;
    }
    while (i < format.size() && (format[i] == 'l' || format[i] == 'h')) ++i;
    if (i >= format.size() || next == args.end()) return false;
    const char conversion = format[i++];
    std::string directive(format.substr(start, i - 1 - start));
    // Length letters are dropped: every integer goes through as long long.
    std::string clean;
    for (char s : directive) {
      if (s != 'l' && s != 'h') clean += s;
    }
    char chunk[4096];
    int written = 0;
    switch (conversion) {
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
        if (next->is_text) return false;
        clean += "ll";
        clean += conversion;
        written = std::snprintf(chunk, sizeof chunk, clean.c_str(), static_cast<long long>(next->integer));
        break;
      case 'c':
        if (next->is_text) return false;
        clean += 'c';
        written = std::snprintf(chunk, sizeof chunk, clean.c_str(), static_cast<int>(next->integer));
        break;
      case 's': {
        if (!next->is_text) return false;
        clean += 's';
        const std::string text(next->text);
        written = std::snprintf(chunk, sizeof chunk, clean.c_str(), text.c_str());
        break;
      }
      default:
        return false;
    }
    if (written < 0) return false;
    result.append(chunk, std::min<std::size_t>(static_cast<std::size_t>(written), sizeof chunk - 1));
    ++next;
  }
  // Arguments past the last specifier are left unused, as printf leaves them:
  // a text without the amount (a missing translation's "STR NOT FOUND: key")
  // is shown as it stands.
  out = ruv_string(std::string_view(result));
  return true;
}

ruv_string format_ui_text(std::string_view key, std::initializer_list<format_arg> args) {
  ruv_string out;
  if (format_checked(get_ui_text(key).view(), args, out)) return out;
  std::string plain;
  for (const format_arg& a : args) {
    if (!plain.empty()) plain += ' ';
    if (a.is_text) {
      plain += a.text;
    } else {
      plain += std::to_string(a.integer);
    }
  }
  return ruv_string(std::string_view(plain));
}

ruv_string get_money_text(std::int32_t amount) {
  g_script_state.result_string.clear();
  if (!call_game_script(game_hook_code::game_get_money_text, amount, 0)) {
    g_script_state.result_string = format_ui_text("ui_value_money", {amount});
  }
  return ruv_string(g_script_state.result_string);
}

std::int32_t get_troop_wage(std::int32_t troop) {
  if (troop < 0) return 0;
  const script_host& host = current_script_host();
  g_script_state.trigger_result = 0;
  if (call_game_script(game_hook_code::game_get_troop_wage, troop, host.campaign->player_party())) {
    return static_cast<std::int32_t>(g_script_state.trigger_result);
  }
  if (host.module->troop_flags(troop) & 0x10) return 0;
  const std::int64_t level = host.module->troop_level(troop);
  return static_cast<std::int32_t>(level * level / 20 + 25);
}

std::int32_t get_troop_join_cost(std::int32_t troop) {
  g_script_state.trigger_result = 0;
  if (call_game_script(game_hook_code::game_get_join_cost, troop, 0)) {
    return static_cast<std::int32_t>(g_script_state.trigger_result);
  }
  return get_troop_wage(troop) * 5 + 2;
}

bool is_party_active(std::int32_t party_id) {
  const script_campaign_host& campaign = *current_script_host().campaign;
  const int end_id = campaign.party_end_id();
  if (party_id < 0 || party_id >= end_id) return false;
  const int slot = campaign.find_party_slot(party_id);
  return slot >= 0 && campaign.party_slot_state(slot) == 1;
}

std::int32_t get_root_attached_party(std::int32_t party_id) {
  const script_campaign_host& campaign = *current_script_host().campaign;
  const int steps = campaign.party_end_id();
  std::int32_t current = party_id;
  for (int i = 0; i <= steps; ++i) {
    const int up = campaign.party_attached_to(current);
    if (up < 0) return current;
    current = up;
  }
  return current;
}

bool can_party_join(std::int32_t party_a, std::int32_t party_b, bool as_prisoners) {
  if (!is_party_active(party_a) || !is_party_active(party_b)) return false;
  const script_campaign_host& campaign = *current_script_host().campaign;
  if ((campaign.party_flags(party_b) & 0x100000u) == 0) return true;
  const std::int64_t a_members = campaign.party_member_count(party_a);
  const std::int64_t a_prisoners = campaign.party_prisoner_count(party_a);
  const std::int64_t b_members = campaign.party_member_count(party_b);
  const std::int64_t b_prisoners = campaign.party_prisoner_count(party_b);
  const std::int64_t new_members = b_members + (as_prisoners ? a_prisoners : a_members);
  const std::int64_t new_prisoners = b_prisoners + (as_prisoners ? a_members : a_prisoners);
  return new_members <= campaign.party_companion_limit(party_b) &&
         new_prisoners <= campaign.party_prisoner_limit(party_b);
}

float get_party_relation(std::int32_t party_a, std::int32_t party_b) {
  if (party_a == party_b) return 1.0f;
  const script_host& host = current_script_host();
  return host.module->faction_relation(host.campaign->party_faction(party_a), host.campaign->party_faction(party_b));
}

std::int32_t compute_difficulty_rating(const game_options& options, bool rating_reduction) {
  const float k = rating_reduction ? 0.75f : 1.0f;
  float r = (1.0f - static_cast<float>(options.combat_ai) * 0.09f) *
            ((options.battle_size - 0.5f) * 0.15f + 1.0f) * k *
            (static_cast<float>(options.damage_to_player - 2) * 0.15f + 1.0f) *
            (static_cast<float>(options.damage_to_friends - 2) * 0.2f + 1.0f);
  if (options.control_block_direction == 1) r *= 1.2f;
  const float rating = (static_cast<float>(options.combat_speed - 2) * 0.05f + 1.05f) * r * 100.01f;
  if (!std::isfinite(rating)) return 0;
  return static_cast<std::int32_t>(std::fmax(std::fmin(rating, 2.0e9f), -2.0e9f));
}

std::int32_t compute_difficulty_rating() {
  return compute_difficulty_rating(g_game_options, current_script_host().campaign->rating_reduction());
}

void update_difficulty_average(game_script_words& w, float now) {
  const float dt = now - w.difficulty_updated_at;
  const float rating = static_cast<float>(compute_difficulty_rating());
  w.difficulty_updated_at = now;
  if (w.difficulty_weight + dt > 0.0f) {
    w.difficulty_average = (w.difficulty_average * w.difficulty_weight + rating * dt) / (w.difficulty_weight + dt);
    w.difficulty_weight += dt;
  }
}

std::int32_t draw_member_count(float strength_lo, float strength_hi, std::int32_t entry_minimum,
                               std::int32_t entry_maximum) {
  const float p = strength_lo + (strength_hi - strength_lo) * random_unit_float();
  const float f = p * static_cast<float>(entry_maximum - entry_minimum) * 0.01f;
  const float rounded = std::floor(f + 0.5f);
  if (!std::isfinite(rounded)) return entry_minimum;
  return entry_minimum + static_cast<std::int32_t>(std::fmax(std::fmin(rounded, 2.0e9f), -2.0e9f));
}

float get_label_scale(std::uint64_t party_flags) {
  switch (party_flags & 0x3000u) {
    case 0:
      return 0.5f;
    case 0x1000:
      return 0.75f;
    default:
      return 1.0f;
  }
}

}  // namespace hm
