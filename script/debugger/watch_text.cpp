#include "script/debugger/watch_text.h"

#include <cstdio>

#include "script/script_state.h"

namespace hm {
namespace {

constexpr std::string_view statement_end = "),";
constexpr std::string_view value_marker = " = ";

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

bool is_literal_number(std::string_view token) {
  for (char c : token) {
    if (c != '-' && (c < '0' || c > '9')) return false;
  }
  return true;
}

}  // namespace

std::string_view debugger_script_name(std::string_view block_name) {
  const std::size_t blank = block_name.find(' ');
  return blank == std::string_view::npos ? block_name : block_name.substr(blank + 1);
}

bool find_statement_text(std::string_view source, std::string_view script_name, int statement, std::size_t& start,
                         std::size_t& end) {
  std::string key;
  key.reserve(script_name.size() + 2);
  key += '"';
  key += script_name;
  key += '"';
  std::size_t p = source.find(key);
  if (p == std::string_view::npos || p == 0) return false;
  // Each statement before the wanted one is closed by a "),". When the source
  // runs out of them the statement is not there: nothing is shown, rather than
  // some other statement of the file.
  for (int k = 0; k < statement; ++k) {
    const std::size_t close = source.find(statement_end, p);
    if (close == std::string_view::npos) return false;
    p = close + statement_end.size();
  }
  const std::size_t open = source.find('(', p);
  if (open == std::string_view::npos) return false;
  p = open + 1;
  const std::size_t close = source.find(statement_end, p);
  if (close == std::string_view::npos) return false;
  start = p;
  end = close;
  return true;
}

std::string strip_watch_values(std::string text) {
  for (std::size_t at = text.find(value_marker); at != std::string::npos; at = text.find(value_marker)) {
    const std::size_t comma = text.find(',', at);
    text.erase(at, comma == std::string::npos ? std::string::npos : comma - at);
  }
  return text;
}

std::string debugger_watch_text(std::string_view source, const statement_block& block, const std::int64_t* locals,
                                int statement, std::size_t& start, std::size_t& end) {
  std::size_t first = 0, last = 0;
  if (statement < 0 || !find_statement_text(source, debugger_script_name(block.name.view()), statement, first, last))
    return {};
  start = first;
  end = last;
  const std::string text = strip_watch_values(std::string(source.substr(first, last - first)));
  std::string result = text;
  const std::size_t opcode_comma = text.find(',');
  if (opcode_comma == std::string::npos) return result;

  // The opcode's name comes before the first comma and is never annotated.
  const operation* op =
      statement < block.count() ? &block.operations[static_cast<std::size_t>(statement)] : nullptr;
  std::string_view rest = std::string_view(text).substr(opcode_comma + 1);
  std::size_t insert_at = opcode_comma + 1;
  for (int param = 0;; ++param) {
    std::size_t k = rest.find(',');
    if (k == std::string_view::npos || k == 0) k = rest.size();
    if (k == 0) break;
    const std::string_view token = rest.substr(0, k);
    rest = k < rest.size() ? rest.substr(k + 1) : std::string_view();
    const std::string_view trimmed = trim_blanks(token);
    if (!trimmed.empty() && !is_literal_number(trimmed) && op && param < op->param_count) {
      int tag = 0;
      const std::int64_t value = evaluate_operand(*op, param, locals, tag);
      char shown[32];
      const int n = std::snprintf(shown, sizeof shown, " = %d", static_cast<std::int32_t>(value));
      result.insert(insert_at + k, shown, static_cast<std::size_t>(n));
      insert_at += static_cast<std::size_t>(n);
    }
    insert_at += k + 1;
  }
  return result;
}

}  // namespace hm
