#pragma once
// Expansion of one text token: the inside of a "{...}" group of a module text
// (menu texts, dialog lines, notes, script messages). Tokens name register
// values (reg5), string registers (s3), conditional texts chosen by a register
// (reg3?his:her), the player's name (playername) and words chosen by the
// player's gender (sir/madam). A token the expansion does not know, or a
// register number of 128 or more, is replaced by a message naming the token so
// that the module's author sees it.
//
// format_text hands tokens to the script host's engine member, whose default
// expander is the one here over the script state and the current hosts.
#include <cstdint>
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

// What an expansion reads.
class text_token_source {
 public:
  virtual ~text_token_source() = default;
  // Register n and string register n, n in 0..127.
  virtual std::int64_t register_value(int n) const = 0;
  virtual ruv_string string_register(int n) const = 0;
  // Appends string register n to out; a source that holds its strings can do
  // it without the copy string_register makes.
  virtual void append_string_register(int n, ruv_string& out) const { out.append(string_register(n)); }
  // The player troop's name in the current language: the translation of its
  // identifier, or its stored name when the language has none.
  virtual ruv_string player_name() const = 0;
  // The low four bits of the player troop's flags; type 1 selects the second of
  // two gendered words.
  virtual int player_troop_type() const = 0;
};

// The longest result: what the formatter's 64 KiB buffer holds. Longer results
// (a long string register, a long echoed token) are cut here.
inline constexpr int text_token_max_length = 65535;

// The replacement of one token (the text inside its braces).
ruv_string expand_text_tokens(const ruv_string& token, const text_token_source& source);
// The same over the script state (g_script_state) and the current script hosts.
ruv_string expand_text_tokens(const ruv_string& token);
// Appends the replacement of one token to out, with the same result as
// expand_text_tokens. Register and string-register tokens, the ones module
// texts use most, go straight into out without any string in between.
void append_text_token(std::string_view token, const text_token_source& source, ruv_string& out);

// The stored name and the identifier of a troop of the running game, as the
// game database holds them; the identifier is also the translation key of the
// name. Until one is installed the player's name reads empty.
class troop_name_source {
 public:
  virtual ~troop_name_source() = default;
  // False for a troop the game does not have.
  virtual bool troop_names(int troop, ruv_string& name, ruv_string& identifier) const = 0;
};
// Installs the game database's troop names (null removes them). The source
// must outlive its installation.
void set_troop_name_source(const troop_name_source* source);

// The source the default expansion reads: registers and string registers of
// g_script_state, the player troop of the campaign host, its flags and
// translation from the module host, its names from the troop name source.
class script_text_token_source final : public text_token_source {
 public:
  std::int64_t register_value(int n) const override;
  ruv_string string_register(int n) const override;
  void append_string_register(int n, ruv_string& out) const override;
  ruv_string player_name() const override;
  int player_troop_type() const override;
};

}  // namespace hm
