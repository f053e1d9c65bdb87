#include "ui/menus/load_window.h"

#include <algorithm>
#include <cstdlib>

#include "engine/core/log.h"
#include "engine/resource/mesh.h"
#include "module/loading/module_loading.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/menu_window_host.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr int random_span = 15817;
// The handle stands this share of the bar's height in from each edge.
constexpr float handle_inset = 0.2f;

// Scales and moves the mesh so that its bounding box covers the rectangle
// (x, y, width, height) of its widget; a mesh without extent is left alone.
void fit_mesh_to_rect(mesh& m, float x, float y, float width, float height) {
  m.compute_bounding_box();
  const vec3 lo = m.bbox.min;
  const vec3 hi = m.bbox.max;
  if (!(hi.x > lo.x) || !(hi.y > lo.y)) return;
  m.translate(vec3(-lo.x, -lo.y, 0.0f));
  m.scale(width / (hi.x - lo.x), height / (hi.y - lo.y), 1.0f);
  m.translate(vec3(x, y, 0.0f));
  m.compute_bounding_box();
}

}  // namespace

void loading_progress_bar::set_float_value(float v) { progress_bar::set_float_value(std::clamp(v, 0.01f, 1.0f)); }

void loading_progress_bar::rebuild_fill() {
  if (get_mesh(slot_down) && value_last_drawn == float_value) return;
  set_mesh_slot(slot_down, nullptr);
  value_last_drawn = float_value;
  if (!fill_source) return;
  std::unique_ptr<mesh> fill = fill_source->create_copy();
  fit_mesh_to_rect(*fill, handle_rect[0], handle_rect[1], handle_rect[2] * float_value, handle_rect[3]);
  set_mesh_slot(slot_down, std::move(fill));
}

loading_progress_bar* make_loading_progress_bar(container& parent, float x, float y, float width, float height) {
  auto bar = std::make_unique<loading_progress_bar>();
  bar->set_position({x, y});
  bar->set_size({width, height});
  if (auto m = g_ui_manager.resource_mesh_copy("progressbar")) {
    fit_mesh_to_rect(*m, 0.0f, 0.0f, width, height);
    bar->set_mesh(slot_background, std::move(m));
  }
  const float inset = height * handle_inset;
  bar->handle_rect[0] = inset;
  bar->handle_rect[1] = inset;
  bar->handle_rect[2] = width - 2.0f * inset;
  bar->handle_rect[3] = height - 2.0f * inset;
  bar->fill_source = g_ui_manager.resource_mesh("progressbar_handle");
  bar->set_float_value(0.01f);
  return parent.add(std::move(bar));
}

const char* loading_picture(int draw) {
  const float f = static_cast<float>(((draw % random_span) + random_span) % random_span) * (1.0f / random_span);
  if (f < 0.25f) return "ini_pic_hoofmarch_warrior_2";
  if (f < 0.5f) return "ini_pic_hoofmarch_warrior_3";
  if (f < 0.75f) return "ini_pic_hoofmarch_warrior_4";
  return "ini_pic_hoofmarch_warrior_1";
}

void load_window::build() {
  g_ui_manager.clear();
  step_words[1] = 10;
  step_words[2] = 0;
  auto r = std::make_unique<window_container>();
  r->set_position({-0.001f, -0.001f});
  r->set_size({1.002f, 0.752f});
  if (auto m = g_ui_manager.resource_mesh_copy("load_window")) r->set_mesh(slot_background, std::move(m));
  r->set_colour(0xFF442323u);
  if (auto m = g_ui_manager.resource_mesh_copy(loading_picture(random ? random() : std::rand())))
    r->set_mesh_slot(slot_up, std::move(m));
  root = r.get();

  auto l = std::make_unique<widget>();
  l->set_position({0.05f, 0.6f});
  l->set_size({0.4f, 0.1f});
  if (auto m = g_ui_manager.resource_mesh_copy("skarvald_logo")) l->set_mesh(slot_background, std::move(m));
  logo = root->add_child(std::move(l));
  progress = make_loading_progress_bar(*root, 0.1f, 0.07f, 0.8f, 0.03f);
  status_text = make_label(*root, ruv_string(), 0.13f, 0.12f, 0.3f, 0.04f);
  g_ui_manager.push_root_widget(std::move(r));
  g_ui_manager.redraw = 1;
  step = 0;
  step_words[0] = 0;
}

void load_window::frame(float /*seconds*/) {
  ruv_string text;
  const bool done = load_module_step(step, text);
  if (status_text) status_text->set_text(text);
  if (progress) progress->set_float_value(module_load_progress(step));
  if (!done) return;
  log_line("Finished All...\n");
  current_menu_host().module_loaded();
  g_window_manager.set_window(window_id::main_menu);
}

}  // namespace hm
