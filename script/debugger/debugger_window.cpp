#include "script/debugger/debugger_window.h"

#include <cstdio>

#include "platform/message_box.h"

namespace hm {
namespace {

constexpr std::uint32_t statement_background = 0xFF2A4A80;
constexpr std::uint32_t quoted_colour = 0xFFFFD070;
constexpr std::uint32_t changed_colour = 0xFFFF5050;
constexpr float close_row_height = 30.0f;

}  // namespace

std::vector<platform::text_mark> debugger_source_marks(std::string_view source, source_span statement,
                                                       const std::vector<source_span>& changed) {
  std::vector<platform::text_mark> marks;
  if (statement.end <= statement.begin || statement.end > source.size()) return marks;
  marks.push_back({statement.begin, statement.end, statement_background, true});
  for (std::size_t open = source.find('"', statement.begin); open < statement.end;) {
    const std::size_t close = source.find('"', open + 1);
    if (close >= statement.end) break;
    marks.push_back({open, close + 1, quoted_colour, false});
    open = source.find('"', close + 1);
  }
  for (const source_span& c : changed) marks.push_back({c.begin, c.end, changed_colour, false});
  return marks;
}

debugger_window::debugger_window(script_debugger& debugger) : debugger_(debugger) { debugger_.set_view(this); }

debugger_window::~debugger_window() { debugger_.set_view(nullptr); }

bool debugger_window::open() {
  if (window_.is_open()) return true;
  if (!window_.open(title, width, height)) return false;
  debugger_.open();
  folder_text_ = debugger_.folder();
  scrolled_to_ = platform::tool_ui::no_scroll;
  return true;
}

void debugger_window::close() {
  // Nobody could answer a stop with the window gone.
  debugger_.disarm();
  debugger_.clear_source();
  window_.close();
}

bool debugger_window::frame() {
  if (!window_.is_open()) return false;
  if (window_.frame([this](platform::tool_ui& ui) { build(ui); }) && !close_requested_) return true;
  close_requested_ = false;
  close();
  return false;
}

debugger_key debugger_window::wait_for_key(script_debugger&) {
  const int key = window_.wait_for_number_key([this](platform::tool_ui& ui) { build(ui); },
                                              static_cast<int>(debugger_key::next_line),
                                              static_cast<int>(debugger_key::leave));
  // A closed window or a quit leaves debug mode: nobody is left to answer.
  return key == 0 ? debugger_key::leave : static_cast<debugger_key>(key);
}

void debugger_window::show_message(const std::string& text, const std::string& caption) {
  platform::show_message_box(caption, text);
}

void debugger_window::build(platform::tool_ui& ui) {
  ui.text(script_debugger::help_text);
  ui.separator();
  ui.input_text("##folder", folder_text_, script_debugger::max_folder_length);
  ui.same_line();
  if (ui.button("Set Debug Mode Folder")) {
    folder_text_ = script_debugger::store_folder(folder_text_);
    debugger_.clear_source();
    debugger_.open_folder(folder_text_);
  }

  int script = debugger_.chosen_script();
  if (ui.combo("Script", debugger_.script_names(), script)) debugger_.choose_script(script);
  std::vector<std::string> lines;
  lines.reserve(debugger_.lines().size());
  for (const script_debugger::script_line& line : debugger_.lines()) {
    char number[16];
    std::snprintf(number, sizeof number, "%d: ", line.statement);
    lines.push_back(number + line.text);
  }
  int line = debugger_.chosen_line();
  if (ui.combo("Line", lines, line)) debugger_.choose_line(line);

  if (ui.button(debugger_.caption())) {
    if (debugger_.armed()) {
      debugger_.disarm();
    } else if (debugger_.chosen_line() >= 0) {
      debugger_.choose_line(debugger_.chosen_line());
    }
  }
  if (debugger_.frozen()) {
    ui.same_line();
    ui.text("The game is frozen: press 1, 2, 3, 4 or 5.");
  }

  const std::string_view source = debugger_.source();
  const source_span current = debugger_.current_statement();
  std::size_t scroll = platform::tool_ui::no_scroll;
  if (debugger_.frozen() && current.end > current.begin && current.begin != scrolled_to_) {
    scroll = current.begin;
    scrolled_to_ = current.begin;
  }
  // The rest of the window, above the Close button.
  ui.text_view("##source", source, debugger_source_marks(source, current, debugger_.changed_values()), scroll,
               -close_row_height);
  if (ui.button("Close")) close_requested_ = true;
}

}  // namespace hm
