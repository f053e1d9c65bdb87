#pragma once
// The loading window (2): a warrior picture, the logo, a progress bar and a
// status text while the module loads, one loading step a frame; when the
// steps are done the main menu opens.
#include <cstdint>

#include "ui/widget/widget_kinds.h"
#include "ui/windows/game_window.h"

namespace hm {

// A progress bar that never shows an empty handle: values below 0.01 show
// 0.01, above 1 show 1.
class loading_progress_bar final : public progress_bar {
 public:
  loading_progress_bar() { float_value = 0.01f; }
  void set_float_value(float v) override;
  // The fill: the source mesh fitted to the handle rectangle, its width
  // times the value, so that it grows inside the bar from the left.
  void rebuild_fill() override;

  // The handle rectangle at value 1.0, in the bar's own coordinates: x, y,
  // width, height.
  float handle_rect[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// The bar with the "progressbar" look filling the rectangle and the
// "progressbar_handle" growing inside it; added to parent.
loading_progress_bar* make_loading_progress_bar(container& parent, float x, float y, float width, float height);

// The picture for a draw of rand(): (draw mod 15817) / 15817 in quarters,
// "ini_pic_hoofmarch_warrior_2", _3, _4, then _1.
const char* loading_picture(int draw);

class load_window final : public top_level_window {
 public:
  void build() override;
  // One loading step, its text and the bar; the main menu once all are done.
  void frame(float seconds) override;

  widget* status_text = nullptr;
  widget* logo = nullptr;
  loading_progress_bar* progress = nullptr;
  // The loading step machine's words.
  std::int32_t step = 0;
  std::int32_t step_words[3] = {0, 10, 0};
  // The draw that picks the picture (default: the runtime's generator).
  int (*random)() = nullptr;
};

}  // namespace hm
