#pragma once
// The script debugger: a developer tool that shows the module's script source,
// lets the user choose a script and a statement to stop at, and, while the
// game is frozen there, steps through the script with the keys 1 to 5.
//
// The source is not part of the module: it is read from the module system's
// folder, which the user names ("module_system_folder" in the settings store):
// "ID_scripts.py" lists the scripts, "module_scripts.py" holds their text.
// The break point itself (armed, script, statement) and the loaded source are
// words of the running game.
//
// This is the debugger's logic; a script_debugger_view shows it (the game's
// tool window, or a test's scripted keys).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/executor.h"

namespace hm {

struct game_script_words;

// The keys the user answers a stop with.
enum class debugger_key {
  next_line = 1,     // run this statement, stop at the next
  step_into = 2,     // a script this statement calls stops at its first statement
  run_to_break = 3,  // run on to the break point (leaving the current script)
  run_script = 4,    // run on without stopping
  leave = 5,         // disarm the debugger and run on
};

// A span of the source text, [begin, end).
struct source_span {
  std::size_t begin = 0;
  std::size_t end = 0;
  friend bool operator==(const source_span&, const source_span&) = default;
};

class script_debugger;

// What shows the debugger and waits for the user.
class script_debugger_view {
 public:
  virtual ~script_debugger_view() = default;
  // Keeps the view alive until the user presses one of the keys 1 to 5 (the
  // game is frozen meanwhile); the debugger's fields show what to draw.
  virtual debugger_key wait_for_key(script_debugger& debugger) = 0;
  // A message box: the text and its caption.
  virtual void show_message(const std::string& text, const std::string& caption) = 0;
};

class script_debugger final : public script_debug_hook {
 public:
  static constexpr const char* folder_setting = "module_system_folder";
  static constexpr const char* script_ids_file = "ID_scripts.py";
  static constexpr const char* scripts_file = "module_scripts.py";
  static constexpr const char* help_text =
      "When the game freezes, press 1 to process the next line, 2 to step into the currently called script, 3 to "
      "step out of the current script or to proceed to the next occurence of the line that we want the debugger to "
      "stop at, 4 to process the whole script, and 5 to leave the debug mode.";
  static constexpr int max_folder_length = 4096;

  // One statement of the chosen script: its source line and its index.
  struct script_line {
    std::string text;
    int statement = 0;
  };

  explicit script_debugger(script_debugger_view* view = nullptr) : view_(view) {}
  ~script_debugger() override;
  void set_view(script_debugger_view* view) { view_ = view; }

  // The dialog opens: reads the folder from the settings store and the
  // script list from its "ID_scripts.py" (empty when the file is missing).
  void open();
  // The same with the folder given.
  void open_folder(const std::string& folder);
  // The folder dialog's OK: a separator is added when the path ends in none
  // and the value is stored (at most max_folder_length characters are taken).
  // Returns the folder as stored.
  static std::string store_folder(const std::string& typed);

  // A script chosen from the list (an index into script_names): loads the
  // source when it is not loaded yet (a missing file shows "ERROR" and changes
  // nothing), makes it the break script and lists its statements. False when
  // the source could not be read.
  bool choose_script(int index);
  // A statement chosen from the list (an index into lines): arms the break
  // point at it.
  void choose_line(int index);
  // The dialog's close: the loaded source is dropped (read again on the next
  // choice).
  void clear_source();
  // The Stop button: the break point is disarmed.
  void disarm();

  // The Debug/Stop button's caption.
  const char* caption() const { return armed() ? "Stop" : "Debug"; }
  bool armed() const;

  // --- what the view shows ---
  const std::string& folder() const { return folder_; }
  const std::vector<std::string>& script_names() const { return script_names_; }
  const std::vector<script_line>& lines() const { return lines_; }
  int chosen_script() const { return chosen_script_; }
  int chosen_line() const { return chosen_line_; }
  // The source as shown, with the values of the current statement written in.
  std::string_view source() const;
  // While frozen: the current statement's range and the values that changed
  // since the statement was last shown.
  bool frozen() const { return frozen_; }
  source_span current_statement() const { return current_; }
  const std::vector<source_span>& changed_values() const { return changed_; }

  // --- script_debug_hook ---
  bool stepping() const override { return stepping_; }
  void stop(const statement_block& block, int statement, const std::int64_t* locals, std::int32_t& break_key,
            bool& step_into) override;
  void after_statement(const statement_block& block, int statement, const std::int64_t* locals,
                       bool result) override;
  std::int32_t break_key_for_script(int script) override;

  // The break key of a script at a statement.
  static std::int32_t make_break_key(int script, int statement) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(script) << 16) |
                                     (static_cast<std::uint32_t>(statement) & 0xFFFF));
  }

 private:
  game_script_words& words() const;
  // Shows the annotated statement: its text replaces its range of the source
  // and the values that differ from the last showing are marked.
  void show_statement(const statement_block& block, int statement, const std::int64_t* locals);
  void list_lines(const std::string& script);
  // The debugger is installed in the executor while it is armed or stepping.
  void update_installation();

  script_debugger_view* view_;
  std::string folder_;
  std::vector<std::string> script_names_;
  std::vector<script_line> lines_;
  int chosen_script_ = -1;
  int chosen_line_ = -1;
  bool stepping_ = false;
  bool leave_stepping_ = false;
  bool frozen_ = false;
  bool installed_ = false;
  source_span current_{};
  std::vector<source_span> changed_;
};

// The script names "ID_scripts.py" lists ("script_<name> = <number>" lines),
// in file order.
std::vector<std::string> parse_script_ids(std::string_view text);
// The statements of a script in the source: for each, the trimmed source line
// it starts on and its index. The script ends where the next script of the
// source begins (a line starting with a quoted name in parentheses).
std::vector<script_debugger::script_line> list_script_statements(std::string_view source,
                                                                 std::string_view script_name);

}  // namespace hm
