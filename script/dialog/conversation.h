#pragma once
// The conversation (dialog) state machine: the module's dialog lines read from
// conversation.txt, and the running conversation with its state, partner,
// current line and the player's options. The conversation window and the
// mission screen drive it; the module loader fills the lines
// (module/records/conversation_loader.h): start, build the player's options, take the one
// the player picks (or "continue"), ask whether to close, advance the
// partner's line, and show the speaker's name and the current text.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/operation.h"

namespace hm {

// Bits of a dialog line's speaker word.
namespace dialog_bits {
inline constexpr std::uint32_t partner_filter = 0xFFF;  // a troop, or a party template with from_template
inline constexpr std::uint32_t any_partner = 0xFFF;
inline constexpr std::uint32_t repeat_kind = 0xF000;
inline constexpr std::uint32_t repeat_once = 0x0000;
inline constexpr std::uint32_t repeat_for_factions = 0x1000;
inline constexpr std::uint32_t repeat_for_parties = 0x2000;
inline constexpr std::uint32_t repeat_for_troops = 0x3000;
inline constexpr std::uint32_t repeat_for_100 = 0x4000;
inline constexpr std::uint32_t repeat_for_1000 = 0x5000;
inline constexpr std::uint32_t player_line = 0x10000;
inline constexpr std::uint32_t from_template = 0x20000;
inline constexpr std::uint32_t auto_taken = 0x40000;
inline constexpr int other_speaker_shift = 20;
}  // namespace dialog_bits

// The state in which a conversation closes.
inline constexpr std::int32_t conversation_close_state = 6;
inline constexpr int max_dialog_options = 1024;
// Auto-taken lines followed in one advance before the chain is cut: a line
// that leads back to its own state with a condition that keeps holding would
// otherwise never end.
inline constexpr int max_auto_taken_lines = 1024;

struct dialog_line {
  ruv_string text;  // underscores turned into blanks
  ruv_string id;    // also the translation key
  std::uint32_t speaker_word = 0;
  std::int32_t input_state = 0;
  statement_block condition;    // "dialog condition: <id>"
  std::int32_t output_state = 0;
  statement_block consequence;  // "dialog consequence: <id>"
};

struct dialog_option {
  std::int32_t line = -1;
  std::int32_t repeat_value = 0;
  std::uint32_t speaker_word = 0;
  ruv_string text;
};

class conversation {
 public:
  std::vector<dialog_line> lines;
  std::int32_t state = 0;
  std::int32_t partner_troop = -1;
  std::int32_t partner_party = -1;
  std::int32_t partner_agent = -1;
  std::int32_t current_line = -1;
  std::int32_t current_repeat_value = 0;
  std::int32_t option_count = 0;
  std::vector<dialog_option> player_options;
  // Scratch list for the partner's next line; only its first entry is used.
  std::vector<dialog_option> partner_candidates;
  bool on_map = false;
  ruv_string current_text;

  int line_count() const { return static_cast<int>(lines.size()); }

  void start(std::int32_t partner_troop, std::int32_t partner_agent, std::int32_t partner_party,
             std::int32_t start_state, bool on_map);
  // Takes option i of the player's list (an index outside the list does
  // nothing).
  void select_option(int i);
  // Takes an option: the state, current line and repeat value, the
  // consequence, the current text.
  void select_dialog_line(const dialog_option& option);
  // Finds and takes the partner's next line, following auto-taken lines.
  void advance_automatic_lines();
  // Builds the player's option list, taking auto-taken lines at its head;
  // returns the option count.
  int advance_automatic_lines_for();
  // True in the closing state or while the game asks for a screen change.
  bool should_close() const;
  // Who says the current line and who hears it.
  std::int32_t get_line_speaker_troop() const;
  std::int32_t get_line_listener_troop() const;
  ruv_string get_option_text(int i) const;
  std::uint32_t get_option_line(int i) const;

  // Whether a line is offered in the current state to the current partner
  // (player_only: only player lines).
  bool line_matches(const dialog_line& line, bool player_only) const;
  // Collects offered lines into list (at most max, capped at 1024), in file
  // order and then repeat order; returns the count.
  int collect_options(std::vector<dialog_option>& list, int max, bool player_only);

 private:
  // The shared steps of taking a line (without rebuilding any list).
  void take_line(const dialog_option& option);
  void rebuild_current_text();
};

extern conversation g_conversation;

// The text of a dialog line as shown: the translation of its id when there is
// one, else its own text, with "{...}" tokens expanded.
ruv_string dialog_line_text(const dialog_line& line);

}  // namespace hm
