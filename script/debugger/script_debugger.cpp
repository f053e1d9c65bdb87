#include "script/debugger/script_debugger.h"

#include <algorithm>
#include <cstdio>

#include "platform/fs.h"
#include "platform/settings_store.h"
#include "script/debugger/watch_text.h"
#include "script/game_hooks.h"
#include "script/script_host.h"

namespace hm {
namespace {

constexpr std::string_view script_prefix = "script_";
constexpr std::string_view value_marker = " = ";
// Statements a break key can name.
constexpr int max_break_statement = 0xFFFF;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The module's name of a script that "ID_scripts.py" calls "script_<name>".
std::string_view module_script_name(std::string_view id_name) {
  if (id_name.substr(0, script_prefix.size()) == script_prefix) id_name.remove_prefix(script_prefix.size());
  return id_name;
}

// Where each " = value" annotation of a statement text starts, with its value.
struct shown_value {
  std::size_t at;
  std::string_view value;
};
std::vector<shown_value> shown_values(std::string_view text) {
  std::vector<shown_value> out;
  for (std::size_t at = text.find(value_marker); at != std::string_view::npos; at = text.find(value_marker, at + 1)) {
    const std::size_t begin = at + value_marker.size();
    std::size_t end = text.find(',', begin);
    if (end == std::string_view::npos) end = text.size();
    out.push_back({at, text.substr(begin, end - begin)});
  }
  return out;
}

// The number of the module script with this name, -1 when none has it.
int find_script_by_name(std::string_view name) {
  const script_module_host& module = *current_script_host().module;
  for (int s = 0; s < module.script_count(); ++s) {
    if (module.script_name(s).view() == name) return s;
  }
  return -1;
}

}  // namespace

std::vector<std::string> parse_script_ids(std::string_view text) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const std::size_t eol = std::min(text.find('\n'), text.size());
    const std::string_view line = trim(text.substr(0, eol));
    text.remove_prefix(std::min(eol + 1, text.size()));
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || line.substr(0, script_prefix.size()) != script_prefix) continue;
    const std::string_view name = trim(line.substr(0, equals));
    if (!name.empty()) names.emplace_back(name);
  }
  return names;
}

std::vector<script_debugger::script_line> list_script_statements(std::string_view source,
                                                                 std::string_view script_name) {
  std::vector<script_debugger::script_line> lines;
  std::string key = "\"";
  key += script_name;
  key += '"';
  const std::size_t found = source.find(key);
  if (found == std::string_view::npos || found == 0) return lines;

  // The script ends where a line opens the next one: "(" and a quoted name.
  std::size_t script_end = source.size();
  for (std::size_t eol = source.find('\n', found); eol != std::string_view::npos; eol = source.find('\n', eol + 1)) {
    const std::string_view next = trim(source.substr(eol + 1, source.find('\n', eol + 1) - (eol + 1)));
    if (next.substr(0, 2) == "(\"") {
      script_end = eol + 1;
      break;
    }
  }
  // The statements are found as the watch text finds them, so a chosen line
  // is the statement the executor stops at.
  std::size_t p = found;
  for (int statement = 0; statement <= max_break_statement; ++statement) {
    const std::size_t open = source.find('(', p);
    if (open == std::string_view::npos || open >= script_end) break;
    const std::size_t close = source.find("),", open + 1);
    if (close == std::string_view::npos || close >= script_end) break;
    const std::size_t line_begin = source.rfind('\n', open) == std::string_view::npos ? 0 : source.rfind('\n', open) + 1;
    const std::size_t line_end = std::min(source.find('\n', open), source.size());
    lines.push_back({std::string(trim(source.substr(line_begin, line_end - line_begin))), statement});
    const std::size_t next = source.find("),", p);
    if (next == std::string_view::npos) break;
    p = next + 2;
  }
  return lines;
}

script_debugger::~script_debugger() {
  if (installed_) set_script_debug_hook(nullptr);
}

game_script_words& script_debugger::words() const { return current_script_host().campaign->game_words(); }

bool script_debugger::armed() const { return words().debug_break != 0; }

std::string_view script_debugger::source() const { return words().debug_source.view(); }

void script_debugger::open() { open_folder(platform::read_setting(folder_setting).value_or(std::string())); }

void script_debugger::open_folder(const std::string& folder) {
  folder_ = folder;
  lines_.clear();
  chosen_script_ = -1;
  chosen_line_ = -1;
  current_ = {};
  changed_.clear();
  const std::optional<std::string> ids = platform::read_whole_file(folder_ + script_ids_file, true);
  script_names_ = ids ? parse_script_ids(*ids) : std::vector<std::string>();
}

std::string script_debugger::store_folder(const std::string& typed) {
  std::string folder = typed.substr(0, static_cast<std::size_t>(max_folder_length));
  if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
  platform::write_setting(folder_setting, folder);
  return folder;
}

bool script_debugger::choose_script(int index) {
  if (index < 0 || index >= static_cast<int>(script_names_.size())) return false;
  game_script_words& w = words();
  if (!w.debug_source_loaded) {
    const std::string path = folder_ + scripts_file;
    const std::optional<std::string> text = platform::read_whole_file(path, true);
    if (!text) {
      char message[8192];
      std::snprintf(message, sizeof message,
                    "File %s could not be found. Please set the correct module system folder by choosing \"Set Debug "
                    "Mode Folder\" on the menu.",
                    path.c_str());
      if (view_) view_->show_message(message, "ERROR");
      return false;
    }
    w.debug_source = ruv_string(std::string_view(*text));
    w.debug_source_loaded = 1;
  }
  chosen_script_ = index;
  chosen_line_ = -1;
  const std::string_view name = module_script_name(script_names_[static_cast<std::size_t>(index)]);
  w.debug_break_script = ruv_string(name);
  lines_ = list_script_statements(w.debug_source.view(), name);
  return true;
}

void script_debugger::choose_line(int index) {
  if (chosen_script_ < 0 || index < 0 || index >= static_cast<int>(lines_.size())) return;
  chosen_line_ = index;
  game_script_words& w = words();
  w.debug_break_script = ruv_string(module_script_name(script_names_[static_cast<std::size_t>(chosen_script_)]));
  w.debug_break_line = lines_[static_cast<std::size_t>(index)].statement;
  w.debug_break = 1;
  update_installation();
}

void script_debugger::clear_source() {
  game_script_words& w = words();
  w.debug_source.clear();
  w.debug_source_loaded = 0;
  current_ = {};
  changed_.clear();
}

void script_debugger::disarm() {
  words().debug_break = 0;
  update_installation();
}

void script_debugger::update_installation() {
  const bool wanted = armed() || stepping_;
  if (wanted == installed_) return;
  set_script_debug_hook(wanted ? this : nullptr);
  installed_ = wanted;
}

void script_debugger::show_statement(const statement_block& block, int statement, const std::int64_t* locals) {
  game_script_words& w = words();
  std::string text(w.debug_source.view());
  std::size_t start = 0, end = 0;
  const std::string shown = debugger_watch_text(text, block, locals, statement, start, end);
  changed_.clear();
  if (shown.empty()) {
    // A statement the source does not hold: nothing of the source is replaced.
    current_ = {};
    return;
  }
  const std::string previous = text.substr(start, end - start);
  text.replace(start, end - start, shown);
  w.debug_source = ruv_string(std::string_view(text));
  current_ = {start, start + shown.size()};

  // A value is marked when the statement showed a different one at the same
  // place last time.
  const std::vector<shown_value> now = shown_values(shown);
  const std::vector<shown_value> before = shown_values(previous);
  for (std::size_t k = 0; k < now.size() && k < before.size(); ++k) {
    if (now[k].value != before[k].value) {
      const std::size_t begin = start + now[k].at + value_marker.size();
      changed_.push_back({begin, begin + now[k].value.size()});
    }
  }
}

void script_debugger::stop(const statement_block& block, int statement, const std::int64_t* locals,
                           std::int32_t& break_key, bool& step_into) {
  stepping_ = true;
  leave_stepping_ = false;
  update_installation();
  show_statement(block, statement, locals);
  frozen_ = true;
  // Without a view nobody can answer: the script runs on.
  const debugger_key key = view_ ? view_->wait_for_key(*this) : debugger_key::run_script;
  frozen_ = false;
  if (key == debugger_key::leave || !armed()) {
    words().debug_break = 0;
    break_key = -1;
    leave_stepping_ = true;
  } else if (key == debugger_key::run_script) {
    break_key = -1;
    leave_stepping_ = true;
  } else if (key == debugger_key::run_to_break) {
    const game_script_words& w = words();
    const std::string_view name = debugger_script_name(block.name.view());
    if (w.debug_break_script.view() == name) {
      const int script = find_script_by_name(name);
      if (script >= 0) break_key = make_break_key(script, w.debug_break_line);
    }
    leave_stepping_ = true;
  } else if (key == debugger_key::step_into) {
    step_into = true;
  }
}

void script_debugger::after_statement(const statement_block& block, int statement, const std::int64_t* locals,
                                      bool) {
  show_statement(block, statement, locals);
  if (leave_stepping_) {
    leave_stepping_ = false;
    stepping_ = false;
    update_installation();
  }
}

std::int32_t script_debugger::break_key_for_script(int script) { return script_break_key(script); }

}  // namespace hm
