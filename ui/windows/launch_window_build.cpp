#include "ui/windows/launch_window_build.h"

#include <cstdlib>
#include <string>

#include "engine/resource/mesh.h"
#include "module/base/module_settings.h"
#include "module/text/translation_table.h"
#include "platform/clock.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"

namespace hm {

void build_launch_window(launch_window_widgets& w, const std::function<int()>& random) {
  g_ui_manager.clear();

  auto root = std::make_unique<window_container>();
  root->swallow_presses = 0;
  root->set_position({-0.001f, -0.001f});
  root->set_size({1.002f, 0.752f});
  if (auto m = g_ui_manager.resource_mesh_copy("load_window")) root->set_mesh(slot_background, std::move(m));
  root->set_colour(0xFF442323u);

  auto logo = std::make_unique<widget>();
  logo->set_position({0.05f, 0.6f});
  logo->set_size({0.4f, 0.1f});
  if (auto m = g_ui_manager.resource_mesh_copy("skarvald_logo")) logo->set_mesh(slot_background, std::move(m));
  w.logo = root->add_child(std::move(logo));

  w.status_label = make_label(*root, ruv_string(), 0.14f, 0.1f, 0.3f, 0.04f);
  w.hint_label = make_label(*root, ruv_string(), 0.58625f, 0.39125f, 0.3375f, 0.03f);
  w.hint_label->set_text_flags(ui_text_flag::keep_width);

  w.root = root.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(root));

  const int hints = g_module_settings.num_hints;
  if (hints > 0) {
    int i = 0;
    if (hints > 1) {
      int draw = 0;
      if (random) {
        draw = random();
      } else {
        std::srand(platform::milliseconds_now());
        draw = std::rand();
      }
      i = (draw % hints + hints) % hints;
    }
    const std::string key = "hint_" + std::to_string(i + 1);
    ruv_string t = g_translation_table.get_string_by_id("ui_hint");
    t.append(ruv_string(" #" + std::to_string(i + 1) + ": "));
    t.append(g_translation_table.get_string_by_id(key));
    w.hint_label->set_text(t);
  }
  w.step = 0;
  w.substep = 0;
}

}  // namespace hm
