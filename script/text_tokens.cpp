#include "script/text_tokens.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {
namespace {

// Groups nested deeper than this are left as they stand: a hostile text of
// thousands of nested braces must not exhaust the stack.
constexpr int max_group_depth = 64;

const troop_name_source* g_troop_names = nullptr;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The value of a character as a digit, unchecked: "reg1x" reads 10 + ('x' - '0').
int digit_value(char c) { return static_cast<int>(static_cast<signed char>(c)) - '0'; }

bool begins_register(const std::string& t) { return t.size() >= 4 && t.compare(0, 3, "reg") == 0 && is_digit(t[3]); }

std::string message(const char* format, const std::string& token) {
  // The token is echoed whole; the result is cut to the buffer's size later.
  std::string out(format);
  const std::size_t at = out.find("%s");
  out.replace(at, 2, token);
  return out;
}

std::string exceeds(const std::string& token) { return message("TOKEN EXCEEDS MAX REGISTERS: <%s>", token); }
std::string unrecognized(const std::string& token) { return message("UNRECOGNIZED TOKEN <%s>", token); }

std::string to_std(const ruv_string& s) { return std::string(s.view()); }

std::string expand(const std::string& token, const text_token_source& source, int depth);

// Replaces every closed, non-empty group after the first character by its own
// expansion. The scan resumes after the inserted text, so a string register
// that holds its own token is shown once instead of growing without end.
std::string expand_groups(std::string t, const text_token_source& source, int depth) {
  if (depth >= max_group_depth) return t;
  std::size_t i = 1;
  while (i < t.size()) {
    if (t[i] != '{') {
      ++i;
      continue;
    }
    std::size_t close = std::string::npos;
    int open = 1;
    for (std::size_t k = i + 1; k < t.size(); ++k) {
      if (t[k] == '{') {
        ++open;
      } else if (t[k] == '}' && --open == 0) {
        close = k;
        break;
      }
    }
    if (close == std::string::npos || close == i + 1) {
      ++i;
      continue;
    }
    const std::string inner = expand(t.substr(i + 1, close - i - 1), source, depth + 1);
    t.replace(i, close - i + 1, inner);
    i += inner.size();
    // Each inner result is cut to the buffer's size, but many groups could still
    // add up; the token stops growing well past anything that can be shown.
    if (t.size() > static_cast<std::size_t>(text_token_max_length) * 4) break;
  }
  return t;
}

std::string match(const std::string& t, const text_token_source& source) {
  const std::size_t n = t.size();

  // reg<d> or reg<d><c>: a register's value.
  if ((n == 4 || n == 5) && begins_register(t)) {
    int r = digit_value(t[3]);
    if (n == 5) r = r * 10 + digit_value(t[4]);
    if (r < 0 || r >= script_register_count) return exceeds(t);
    return std::to_string(source.register_value(r));
  }

  // reg<d>?a:b or reg<d><d>?a:b: a text chosen by a register.
  if (n > 5 && begins_register(t) && (t[4] == '?' || t[5] == '?')) {
    int r = digit_value(t[3]);
    std::size_t start = 5;
    if (is_digit(t[4])) {
      r = r * 10 + digit_value(t[4]);
      start = 6;
    }
    if (r < 0 || r >= script_register_count) return exceeds(t);
    const std::size_t colon = t.rfind(':');
    if (colon == std::string::npos) return unrecognized(t);
    if (source.register_value(r) != 0) return colon > start ? t.substr(start, colon - start) : std::string();
    return t.substr(colon + 1);
  }

  // s<d> or s<d><c>: a string register.
  if ((n == 2 || n == 3) && t[0] == 's' && is_digit(t[1])) {
    int r = digit_value(t[1]);
    if (n == 3) r = r * 10 + digit_value(t[2]);
    if (r < 0 || r >= script_register_count) return exceeds(t);
    return to_std(source.string_register(r));
  }

  if (t == "playername") return to_std(source.player_name());

  // a/b: the word for the player's gender.
  const std::size_t slash = t.rfind('/');
  if (slash != std::string::npos) {
    return source.player_troop_type() == 1 ? t.substr(slash + 1) : t.substr(0, slash);
  }

  return unrecognized(t);
}

std::string expand(const std::string& token, const text_token_source& source, int depth) {
  if (token == "***") return {};
  std::string result = match(expand_groups(token, source, depth), source);
  for (char& c : result) {
    if (c == '^') c = '\n';
  }
  if (result.size() > static_cast<std::size_t>(text_token_max_length)) result.resize(text_token_max_length);
  return result;
}

// The register number of a "reg<d>" / "reg<d><c>" or "s<d>" / "s<d><c>" token
// read as match reads it; -1 for any other token or a number out of range
// (which match answers with its message).
int simple_register(std::string_view t, std::size_t digits_at) {
  const std::size_t n = t.size();
  if (n != digits_at + 1 && n != digits_at + 2) return -1;
  if (!is_digit(t[digits_at])) return -1;
  int r = digit_value(t[digits_at]);
  if (n == digits_at + 2) r = r * 10 + digit_value(t[digits_at + 1]);
  return r >= 0 && r < script_register_count ? r : -1;
}

// Turns carets into line breaks from position `from` of out and cuts what was
// added there to the longest result.
void finish_appended(ruv_string& out, int from) {
  char* chars = out.data();
  for (int i = from; i < out.length(); ++i) {
    if (chars[i] == '^') chars[i] = '\n';
  }
  if (out.length() - from > text_token_max_length) out.erase(from + text_token_max_length, out.length());
}

}  // namespace

void append_text_token(std::string_view token, const text_token_source& source, ruv_string& out) {
  // A group inside the token (past its first character) is expanded first:
  // the general way.
  if (token.find('{', 1) == std::string_view::npos) {
    if (token.size() >= 4 && token.substr(0, 3) == "reg") {
      const int r = simple_register(token, 3);
      if (r >= 0) {
        char digits[24];
        const auto [end, error] = std::to_chars(digits, digits + sizeof digits, source.register_value(r));
        static_cast<void>(error);  // 24 characters hold every 64-bit value
        out.append_chars(digits, static_cast<int>(end - digits));
        return;
      }
    } else if (token.size() >= 2 && token[0] == 's') {
      const int r = simple_register(token, 1);
      if (r >= 0) {
        const int from = out.length();
        source.append_string_register(r, out);
        finish_appended(out, from);
        return;
      }
    }
  }
  const std::string replacement = expand(std::string(token), source, 0);
  out.append_chars(replacement.data(), static_cast<int>(replacement.size()));
}

ruv_string expand_text_tokens(const ruv_string& token, const text_token_source& source) {
  return ruv_string(std::string_view(expand(to_std(token), source, 0)));
}

ruv_string expand_text_tokens(const ruv_string& token) {
  const script_text_token_source source;
  return expand_text_tokens(token, source);
}

void set_troop_name_source(const troop_name_source* source) { g_troop_names = source; }

std::int64_t script_text_token_source::register_value(int n) const {
  return n >= 0 && n < script_register_count ? g_script_state.registers[static_cast<std::size_t>(n)] : 0;
}

ruv_string script_text_token_source::string_register(int n) const {
  return n >= 0 && n < script_register_count ? g_script_state.string_registers[static_cast<std::size_t>(n)]
                                             : ruv_string();
}

void script_text_token_source::append_string_register(int n, ruv_string& out) const {
  if (n >= 0 && n < script_register_count) out.append(g_script_state.string_registers[static_cast<std::size_t>(n)]);
}

ruv_string script_text_token_source::player_name() const {
  const script_host& host = current_script_host();
  const int troop = host.campaign->player_troop();
  ruv_string name;
  ruv_string identifier;
  if (troop < 0 || !g_troop_names || !g_troop_names->troop_names(troop, name, identifier)) return {};
  ruv_string translated;
  if (!identifier.empty() && host.module->find_translation(identifier.view(), translated)) return translated;
  return name;
}

int script_text_token_source::player_troop_type() const {
  const script_host& host = current_script_host();
  const int troop = host.campaign->player_troop();
  if (troop < 0) return 0;
  return static_cast<int>(host.module->troop_flags(troop) & 0xF);
}

}  // namespace hm
