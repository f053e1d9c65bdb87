#include "script/dialog/conversation.h"

#include <algorithm>
#include <cstdio>

#include "script/executor.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {

conversation g_conversation;

namespace {

const script_host& host() { return current_script_host(); }
game_script_words& game_words() { return host().campaign->game_words(); }

// The values of a line's repeat loop, visited in order until visit says stop.
template <class Visit>
void for_each_repeat_value(std::uint32_t speaker_word, Visit visit) {
  int end = 1;
  switch (speaker_word & dialog_bits::repeat_kind) {
    case dialog_bits::repeat_for_factions:
      end = host().module->faction_count();
      break;
    case dialog_bits::repeat_for_troops:
      end = host().module->troop_count();
      break;
    case dialog_bits::repeat_for_100:
      end = 100;
      break;
    case dialog_bits::repeat_for_1000:
      end = 1000;
      break;
    case dialog_bits::repeat_for_parties: {
      const script_campaign_host& campaign = *host().campaign;
      const int end_id = campaign.party_end_id();
      // The pool steps forward; the bound on steps keeps a broken pool from
      // looping.
      int steps = 0;
      for (int id = campaign.first_active_party(); id >= 0 && id < end_id && steps <= end_id; ++steps) {
        if (!visit(id)) return;
        id = campaign.next_active_party(id);
      }
      return;
    }
    default:
      // Once, and any repeat kind the engine does not know.
      break;
  }
  for (int value = 0; value < end; ++value) {
    if (!visit(value)) return;
  }
}

void report_endless_chain(std::int32_t state) {
  char message[160];
  std::snprintf(message, sizeof message,
                "Dialog lines taken automatically do not end: stopped after %d lines in state %d.",
                max_auto_taken_lines, state);
  report_script_error(message);
}

}  // namespace

ruv_string dialog_line_text(const dialog_line& line) {
  ruv_string translated;
  if (host().module->find_translation(line.id.view(), translated)) return format_text(translated);
  return format_text(line.text);
}

void conversation::start(std::int32_t troop, std::int32_t agent, std::int32_t party, std::int32_t start_state,
                         bool map) {
  partner_troop = troop;
  partner_party = party;
  on_map = map;
  game_script_words& words = game_words();
  words.screen_change_code = 0;
  words.conversation_flags = 0;
  words.menu_word = 0;
  state = start_state;
  partner_agent = agent;
  current_line = -1;
  current_repeat_value = 0;
  option_count = 0;
  player_options.clear();
  advance_automatic_lines();
}

bool conversation::line_matches(const dialog_line& line, bool player_only) const {
  if (line.input_state != state) return false;
  if (player_only && (line.speaker_word & dialog_bits::player_line) == 0) return false;
  const std::uint32_t filter = line.speaker_word & dialog_bits::partner_filter;
  if (filter == dialog_bits::any_partner) return true;
  if (line.speaker_word & dialog_bits::from_template) {
    if (partner_party < 0) return false;
    return static_cast<int>(filter) == host().campaign->party_template_of(partner_party);
  }
  return static_cast<int>(filter) == partner_troop;
}

int conversation::collect_options(std::vector<dialog_option>& list, int max, bool player_only) {
  list.clear();
  max = std::min(max, max_dialog_options);
  for (int i = 0; i < line_count() && static_cast<int>(list.size()) < max; ++i) {
    dialog_line& line = lines[static_cast<std::size_t>(i)];
    if (!line_matches(line, player_only)) continue;
    for_each_repeat_value(line.speaker_word, [&](int value) {
      if (static_cast<int>(list.size()) >= max) return false;
      game_words().repeat_object = value;
      if (run_statement_block(line.condition, script_context::dialog_condition)) {
        list.push_back({i, value, line.speaker_word, dialog_line_text(line)});
      }
      return true;
    });
  }
  return static_cast<int>(list.size());
}

void conversation::take_line(const dialog_option& chosen) {
  // The option may live in a list that the consequence's callers rebuild.
  const dialog_option option = chosen;
  game_script_words& words = game_words();
  words.screen_change_code = 0;
  if (option.line < 0 || option.line >= line_count()) {
    current_line = -1;
    rebuild_current_text();
    return;
  }
  dialog_line& line = lines[static_cast<std::size_t>(option.line)];
  state = line.output_state;
  current_line = option.line;
  current_repeat_value = option.repeat_value;
  words.repeat_object = option.repeat_value;
  run_statement_block(line.consequence, script_context::dialog_consequence);
  rebuild_current_text();
}

void conversation::rebuild_current_text() {
  if (current_line < 0 || current_line >= line_count()) {
    current_text = ruv_string("Error");
    return;
  }
  current_text = dialog_line_text(lines[static_cast<std::size_t>(current_line)]);
}

void conversation::select_dialog_line(const dialog_option& option) { take_line(option); }

void conversation::select_option(int i) {
  if (i < 0 || i >= static_cast<int>(player_options.size())) return;
  select_dialog_line(player_options[static_cast<std::size_t>(i)]);
}

void conversation::advance_automatic_lines() {
  for (int taken = 0;; ++taken) {
    if (collect_options(partner_candidates, 1, false) == 0) return;
    const dialog_option next = partner_candidates.front();
    if ((next.speaker_word & dialog_bits::auto_taken) == 0) {
      select_dialog_line(next);
      return;
    }
    if (taken >= max_auto_taken_lines) {
      report_endless_chain(state);
      return;
    }
    take_line(next);
  }
}

int conversation::advance_automatic_lines_for() {
  int taken = 0;
  collect_options(player_options, max_dialog_options, true);
  while (!player_options.empty() && (player_options.front().speaker_word & dialog_bits::auto_taken) != 0) {
    if (taken++ >= max_auto_taken_lines) {
      report_endless_chain(state);
      player_options.clear();
      break;
    }
    take_line(player_options.front());
    collect_options(player_options, max_dialog_options, true);
  }
  option_count = static_cast<std::int32_t>(player_options.size());
  return option_count;
}

bool conversation::should_close() const {
  if (state == conversation_close_state) return true;
  return host().campaign->game_words().screen_change_code != 0;
}

std::int32_t conversation::get_line_speaker_troop() const {
  if (current_line < 0 || current_line >= line_count()) return partner_troop;
  const std::uint32_t word = lines[static_cast<std::size_t>(current_line)].speaker_word;
  if (word & dialog_bits::player_line) return host().campaign->player_troop();
  // Another speaker must name a troop of the table; anything else falls back
  // to the partner, so callers can index troops with the answer.
  const int other = static_cast<int>(word >> dialog_bits::other_speaker_shift);
  if (other != 0 && other < host().module->troop_count()) return other;
  return partner_troop;
}

std::int32_t conversation::get_line_listener_troop() const {
  if (current_line >= 0 && current_line < line_count() &&
      (lines[static_cast<std::size_t>(current_line)].speaker_word & dialog_bits::player_line) != 0)
    return partner_troop;
  return host().campaign->player_troop();
}

ruv_string conversation::get_option_text(int i) const {
  if (i < 0 || i >= static_cast<int>(player_options.size())) return {};
  return player_options[static_cast<std::size_t>(i)].text;
}

std::uint32_t conversation::get_option_line(int i) const {
  if (i < 0 || i >= static_cast<int>(player_options.size())) return 0;
  return player_options[static_cast<std::size_t>(i)].speaker_word;
}

}  // namespace hm
