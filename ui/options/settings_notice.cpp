#include "ui/options/settings_notice.h"

#include "engine/core/log.h"
#include "engine/core/text_format.h"
#include "engine/core/user_files.h"
#include "module/text/translation_table.h"
#include "ui/windows/game_window.h"
#include "ui/windows/window_manager.h"

namespace hm {

std::string unable_to_save_text(const char* file_name) {
  const std::string path = get_user_file_path(file_name);
  log_line("Unable to save " + path + "\n");
  return format_text(g_translation_table.get_string_by_id("ui_unable_to_save_settings").view(), {path});
}

void push_notice(const ruv_string& title, const ruv_string& text) {
  auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
  if (!box) return;
  box->mode = 0;
  box->title = title;
  box->text = text;
  box->answer_target = nullptr;
  box->result_text = nullptr;
  box->has_text_field = false;
  g_window_manager.push_window(window_id::message_box);
}

}  // namespace hm
