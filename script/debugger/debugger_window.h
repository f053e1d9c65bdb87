#pragma once
// The script debugger's window: the game's own tool window beside the game,
// with the help text, the module system's folder, the script and statement
// lists, the Debug/Stop button and the source with the frozen statement
// marked. While the game is frozen it waits there for the keys 1 to 5.
#include <string>

#include "platform/tool_window.h"
#include "script/debugger/script_debugger.h"

namespace hm {

class debugger_window final : public script_debugger_view {
 public:
  static constexpr const char* title = "Debug Mode Window";
  static constexpr int width = 900;
  static constexpr int height = 760;

  explicit debugger_window(script_debugger& debugger);
  ~debugger_window() override;

  // Opens the window and the debugger (the folder and the script list); false
  // when no window can open (a run without a display).
  bool open();
  bool is_open() const { return window_.is_open(); }
  // The break point is disarmed and the loaded source dropped with the
  // window.
  void close();
  // Draws one frame; false once the user has closed the window.
  bool frame();

  debugger_key wait_for_key(script_debugger& debugger) override;
  void show_message(const std::string& text, const std::string& caption) override;

 private:
  void build(platform::tool_ui& ui);

  script_debugger& debugger_;
  platform::tool_window window_;
  std::string folder_text_;
  // The Close button was pressed; the window closes after the frame.
  bool close_requested_ = false;
  // The statement the view last scrolled to.
  std::size_t scrolled_to_ = platform::tool_ui::no_scroll;
};

// The marks of the source view: the current statement, the quoted texts in it
// and the values that changed.
std::vector<platform::text_mark> debugger_source_marks(std::string_view source, source_span statement,
                                                       const std::vector<source_span>& changed);

}  // namespace hm
