#pragma once
// What the widget and UI manager tests share: a resource manager with the
// interface's materials, the small layout font, a view that records every mesh
// queued into it with its frame and colour, quads to give widgets as looks, and
// mouse records.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/resource/mesh.h"
#include "engine/resource/mesh_render_view.h"
#include "engine/resource/resource_manager.h"
#include "engine/text/font_details.h"
#include "ui/manager/ui_manager.h"

namespace hm::test {

// One mesh as it was queued.
struct queued_mesh {
  const mesh* m = nullptr;
  vec3 origin;
  std::uint32_t colour = 0;
};

class ui_recording_view : public mesh_render_view {
 public:
  std::vector<queued_mesh> queued;
  bool is_queued_flag = false;

  std::uint32_t visibility_mask() const override { return 0xFFFFu; }
  std::uint32_t view_flags() const override { return 0; }
  bool is_queued() const override { return is_queued_flag; }
  void enqueue(bool) override { is_queued_flag = true; }
  void add_mesh(mesh& m) override { queued.push_back({&m, m.world_frame.origin, m.color}); }
  void add_light(mesh_light&) override {}
  mesh& batch_mesh(material& m) override;
  mesh& particle_mesh(material& m) override { return batch_mesh(m); }
  frame camera_frame() const override { return frame::identity(); }
  // Whether the mesh was queued, and where.
  const queued_mesh* find(const mesh* m) const;

 private:
  std::unique_ptr<mesh> batch_;
};

// Sets the UI manager up on a resource manager of its own with the materials
// "default", "ui_font", "ui_font_background" and "matte", the layout font as
// its default font and the clocks at zero; leaves it cleared.
class ui_test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A quad mesh from (x0, y0) to (x1, y1) with the "default" material.
  std::unique_ptr<mesh> quad(float x0, float y0, float x1, float y1, std::uint32_t colour = 0xFFFFFFFFu);
  // Puts the mouse at a UI point (through the manager's field).
  static void mouse_at(float x, float y) { g_ui_manager.mouse_position = {x, y}; }
  // One input step with the cursor at UI point (x, y) on an 1000 x 750 client
  // and these records.
  static void step(float x, float y, std::vector<mouse_record> records = {}, float frame_time = 0.016f);
  static mouse_record button(int b, bool down) { return {mouse_record::kind::button, 0, b, down}; }
  static mouse_record move_x(int amount) { return {mouse_record::kind::move_x, amount, 0, false}; }

  resource_manager resources;
  font_details font;
};

}  // namespace hm::test
