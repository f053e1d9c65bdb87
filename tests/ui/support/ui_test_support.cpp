#include "ui/support/ui_test_support.h"

#include <cmath>

#include "engine/core/timer.h"
#include "engine/resource/material.h"
#include "render/support/test_font.h"
#include "render/view/mesh_building.h"
#include "render/view/message_log.h"

namespace hm::test {

mesh& ui_recording_view::batch_mesh(material& m) {
  if (!batch_) batch_ = make_batch_mesh(m);
  return *batch_;
}

const queued_mesh* ui_recording_view::find(const mesh* m) const {
  for (const queued_mesh& q : queued)
    if (q.m == m) return &q;
  return nullptr;
}

void ui_test::SetUp() {
  reset_clocks();
  for (const char* name : {"default", "ui_font", "ui_font_background", "matte"}) {
    auto mat = std::make_unique<material>();
    mat->name = name;
    resources.adopt_resource(std::move(mat));
  }
  font = make_test_font();
  g_ui_manager.resources = &resources;
  g_ui_manager.default_font = &font;
  g_ui_manager.clear();
  clear_message_log(g_ui_manager.messages);
  g_ui_manager.mouse_position = {};
  g_ui_manager.typed_character = -1;
  g_ui_manager.clicks_played = 0;
  g_ui_manager.redraw = 0;
}

void ui_test::TearDown() {
  g_ui_manager.clear();
  g_ui_manager.release_meshes();
  g_ui_manager.resources = nullptr;
  g_ui_manager.default_font = nullptr;
}

std::unique_ptr<mesh> ui_test::quad(float x0, float y0, float x1, float y1, std::uint32_t colour) {
  auto m = std::make_unique<mesh>();
  add_rect_quad(*m, vec3(x0, y0, 0.0f), x1 - x0, y1 - y0, colour);
  m->material_name = "default";
  m->set_material(resources.get_material(ruv_string("default")));
  return m;
}

void ui_test::step(float x, float y, std::vector<mouse_record> records, float frame_time) {
  mouse_input in;
  in.client_width = 1000;
  in.client_height = 750;
  in.cursor_x = static_cast<std::int32_t>(std::lround(x * 1000.0f));
  in.cursor_y = static_cast<std::int32_t>(std::lround((1.0f - y / 0.75f) * 750.0f));
  in.records = std::move(records);
  g_ui_manager.process_input(frame_time, in);
}

}  // namespace hm::test
