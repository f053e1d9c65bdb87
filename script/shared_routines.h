#pragma once
// Small routines that the operations share with the rest of the game: string
// references, UI texts, the money text, wages, party lookups, the difficulty
// rating and a few party formulas (the rounding of reals and the random draws
// come with script/arithmetic.h). They keep no state of their own.
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "engine/core/ruv_string.h"
#include "script/arithmetic.h"

namespace hm {

struct game_script_words;

struct game_options;

// The text of a string reference: tag 0 a string register, tag 22 a quick
// string, any other tag a module string; quick and module strings give their
// translation by key when there is one. Out of range: "Invalid
// String-register!", "Invalid Quick-String!" or "Unexisting String!".
ruv_string get_string_by_reference(std::int64_t index, int tag);

// The translation of a UI key, "STR NOT FOUND: <key>" when there is none.
ruv_string get_ui_text(std::string_view key);

// A record's text in the current language: the translation of its key, else
// its own text.
ruv_string translate_string_record(std::string_view key, const ruv_string& text);
// A quest's name and text in the current language: the translation of the
// quest's id (for the text, the id followed by "_text"), else the quest's own.
ruv_string get_translated_quest_name(std::string_view quest_id, const ruv_string& name);
ruv_string get_translated_text_field(std::string_view quest_id, const ruv_string& text);

// One argument of a checked format: an integer (for %d, %i, %u, %x, %X, %c)
// or a text (for %s).
struct format_arg {
  format_arg(std::int64_t v) : integer(v) {}
  format_arg(int v) : integer(v) {}
  format_arg(std::string_view t) : text(t), is_text(true) {}
  std::int64_t integer = 0;
  std::string_view text;
  bool is_text = false;
};

// Formats a template that comes from data (a translation) printf-style, but
// only when each specifier has an argument of its kind ("%%" is a percent
// sign; flags, width and precision are allowed, "*" is not); arguments past
// the last specifier go unused, as in printf. A template that does not match
// gives false and leaves out untouched, so a broken language file can never
// read an argument that is not there.
bool format_checked(std::string_view format, std::initializer_list<format_arg> args, ruv_string& out);

// The UI text of key formatted with the arguments; when the translation does
// not fit the arguments, the arguments alone, separated by blanks.
ruv_string format_ui_text(std::string_view key, std::initializer_list<format_arg> args);

// The money text of an amount: the module's "game_get_money_text" hook when it
// succeeds, else "ui_value_money" formatted with the amount. The text is also
// left in the script state's result string.
ruv_string get_money_text(std::int32_t amount);

// A troop's wage: the module's "game_get_troop_wage" hook (troop, player's
// party) when it succeeds; otherwise 0 for a hero and level x level / 20 + 25
// for anyone else; 0 for a negative troop.
std::int32_t get_troop_wage(std::int32_t troop);
// A troop's join cost: the module's "game_get_join_cost" hook (troop, 0) when
// it succeeds; otherwise five wages and 2.
std::int32_t get_troop_join_cost(std::int32_t troop);

// Id below the pool's end id, in the pool and active (state 1). Silent.
bool is_party_active(std::int32_t party_id);
// Follows the attached-to links to the party that is attached to none. A cycle
// (broken save data) ends the walk after as many steps as the pool has ids.
std::int32_t get_root_attached_party(std::int32_t party_id);
// Whether party a can join party b (as prisoners or as companions): both
// active, and when b's flag 0x100000 is set, within b's companion and prisoner
// limits (a's prisoners count against b's members and a's members against
// b's prisoners when a joins as prisoners).
bool can_party_join(std::int32_t party_a, std::int32_t party_b, bool as_prisoners);
// 1 for a party with itself; else the relation of a's faction towards b's.
float get_party_relation(std::int32_t party_a, std::int32_t party_b);

// The difficulty rating in percent from the game options and the game's
// rating-reduction flag; the second form reads the player's options and the
// running game.
std::int32_t compute_difficulty_rating(const game_options& options, bool rating_reduction);
std::int32_t compute_difficulty_rating();
// The game's running average of the rating over real time, brought up to
// now (seconds of the real-time clock); an average with no time behind it
// stays as it is.
void update_difficulty_average(game_script_words& words, float now);

// Members drawn for a party-template entry: p = lo + (hi - lo) x u with u a
// uniform draw, then entry minimum + p x (maximum - minimum) x 0.01 rounded
// half up. lo and hi are the game's party-strength percentages.
std::int32_t draw_member_count(float strength_lo, float strength_hi, std::int32_t entry_minimum,
                               std::int32_t entry_maximum);

// The map label scale of a party by its flags (bits 12-13): 0 gives 0.5,
// 0x1000 gives 0.75, anything else 1.0.
float get_label_scale(std::uint64_t party_flags);

}  // namespace hm
