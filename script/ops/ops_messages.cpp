// Messages to the player: the on-screen message list with the game's message
// history, the message box in its notice and question forms, the UI message
// text, the notes kept on troops, factions, parties and quests, and the
// tableau materials that draw them.
#include <cstdint>
#include <string>

#include "script/dialog/conversation.h"
#include "script/executor.h"
#include "script/game_hooks.h"
#include "script/interpreter.h"
#include "script/operand.h"
#include "script/ops/ops_registration.h"
#include "script/record_data.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr int message_box_window = 0;
// Between the speaker's name and the line in a note taken from a dialog.
constexpr const char* note_speaker_separator = ": ";

const script_host& host() { return current_script_host(); }
std::uint32_t colour_of(std::int64_t value) {
  const auto colour = static_cast<std::uint32_t>(value);
  return colour == 0 ? white : colour;
}

// The shown text of a string operand.
ruv_string text_of(const operation_call& c, int p) {
  return format_text(get_string_by_reference(c.value[p], c.tag[p]));
}

// A string operand that is given (above 0) and names a string, checked
// without a report: the optional texts fall back quietly.
bool optional_string_given(const operation_call& c, int p) {
  const std::int64_t id = c.value[p];
  if (p >= c.param_count() || id <= 0) return false;
  switch (c.tag[p]) {
    case operand_tag::module_string:
      return id < host().module->module_string_count();
    case operand_tag::quick_string:
      return id < host().module->quick_string_count();
    case operand_tag::constant:
      return id < script_register_count;
    default:
      return true;
  }
}

ruv_string optional_text(const operation_call& c, int p, int fallback_module_string) {
  if (optional_string_given(c, p)) return text_of(c, p);
  return format_text(get_string_by_reference(fallback_module_string, operand_tag::module_string));
}

ruv_string date_text() {
  const script_campaign_host& campaign = *host().campaign;
  g_script_state.result_string = ruv_string();
  call_game_script(game_hook_code::game_get_date_text, campaign.current_day(), campaign.current_hour());
  return g_script_state.result_string;
}

void append_to_history(const ruv_string& text, std::uint32_t colour) {
  const ruv_string date = date_text();
  ruv_string& history = host().campaign->game_words().message_history;
  std::string entry;
  if (history.length() > 2) entry += '|';
  entry.append(date.view());
  entry += '|';
  entry += std::to_string(static_cast<std::int32_t>(colour));
  entry += '|';
  entry.append(text.view());
  // Appended in place: the history grows over the whole game, and copying it
  // for every message would cost more with each one.
  history.append_chars(entry.data(), static_cast<int>(entry.size()));
}

template <bool with_history>
void display_message(operation_call& c) {
  if (!validate_string_id(c.value[0], c.tag[0])) return;
  const ruv_string text = text_of(c, 0);
  const std::uint32_t colour = colour_of(c.value[1]);
  host().ui->add_message_line(text.view(), colour);
  if (!with_history) return;
  append_to_history(text, colour);
  if (host().engine->enable_edit_mode()) host().engine->log_line(text.view());
}

void set_message_list_flag(operation_call& c) { host().ui->set_message_list_flag(c.value[0] != 0); }

// --- tableau materials and notes ---

bool validate_noted(script_record_kind kind, std::int64_t id) {
  switch (kind) {
    case script_record_kind::troop:
      return validate_troop_id(id);
    case script_record_kind::faction:
      return validate_faction_id(id);
    case script_record_kind::party:
      return validate_party_id(id);
    default:
      return validate_quest_id(id);
  }
}

script_record_data* noted_record(script_record_kind kind, std::int64_t id) {
  if (!validate_noted(kind, id)) return nullptr;
  const auto index = static_cast<std::int32_t>(id);
  if (kind == script_record_kind::party) return host().campaign->party_record_data(index);
  return host().module->record_data(kind, index);
}

template <script_record_kind kind>
void set_tableau_material(operation_call& c) {
  script_record_data* data = noted_record(kind, c.value[0]);
  if (!data || !validate_tableau_id(c.value[1])) return;
  data->tableau_material = static_cast<std::int32_t>(c.value[1]);
}

record_note* note_of(script_record_kind kind, std::int64_t id, std::int64_t slot) {
  script_record_data* data = noted_record(kind, id);
  if (!data || slot < 0 || slot >= note_slot_count) return nullptr;
  return &data->notes[static_cast<std::size_t>(slot)];
}

std::int32_t note_date(std::int64_t dated) { return dated != 0 ? host().campaign->current_day() : -1; }

// Note from the dialog line being taken: only in a dialog consequence.
template <script_record_kind kind>
void note_from_dialog(operation_call& c) {
  if (c.context != script_context::dialog_consequence) return;
  record_note* note = note_of(kind, c.value[0], c.value[1]);
  if (!note) return;
  std::string text(host().module->troop_name(g_conversation.get_line_speaker_troop()).view());
  text += note_speaker_separator;
  text.append(g_conversation.current_text.view());
  note->text = ruv_string(text);
  note->date = note_date(c.value[2]);
}

template <script_record_kind kind>
void note_from_string(operation_call& c) {
  if (!validate_string_id(c.value[2], c.tag[2])) return;
  record_note* note = note_of(kind, c.value[0], c.value[1]);
  if (!note) return;
  note->text = text_of(c, 2);
  note->date = note_date(c.value[3]);
}

// --- the message box and the message text ---

void show_notice(operation_call& c) {
  if (host().ui->top_window() == message_box_window) return;
  if (!validate_string_id(c.value[0], c.tag[0])) return;
  host().ui->set_notice(optional_text(c, 1, 1), text_of(c, 0));
  host().ui->push_window(message_box_window);
}

void show_question(operation_call& c) {
  if (host().ui->top_window() == message_box_window) return;
  if (!validate_string_id(c.value[0], c.tag[0])) return;
  host().ui->set_question(text_of(c, 0), optional_text(c, 1, 2), optional_text(c, 2, 3),
                          &host().campaign->game_words().answer);
  host().ui->push_window(message_box_window);
}

void set_message_text(operation_call& c) {
  const ruv_string text = validate_string_id(c.value[0], c.tag[0]) ? text_of(c, 0) : ruv_string();
  host().ui->set_message_text(text.view(), colour_of(c.value[1]));
}

}  // namespace

void register_message_operations() {
  using k = script_record_kind;
  register_operation(1105, display_message<true>);
  register_operation(1106, display_message<false>);
  register_operation(1107, set_message_list_flag);
  register_operation(1108, set_tableau_material<k::troop>);
  register_operation(1109, set_tableau_material<k::faction>);
  register_operation(1110, set_tableau_material<k::party>);
  register_operation(1111, set_tableau_material<k::quest>);
  register_operation(1112, note_from_dialog<k::quest>);
  register_operation(1113, note_from_string<k::quest>);
  register_operation(1114, note_from_dialog<k::troop>);
  register_operation(1115, note_from_dialog<k::faction>);
  register_operation(1116, note_from_dialog<k::party>);
  register_operation(1117, note_from_string<k::troop>);
  register_operation(1118, note_from_string<k::faction>);
  register_operation(1119, note_from_string<k::party>);
  register_operation(1120, show_notice);
  register_operation(1121, show_question);
  register_operation(1122, set_message_text);
}

}  // namespace hm
