// A panel of widgets drawn on OpenGL through the scene view's interface view
// and read back: each widget's colour lands inside its own box, and content
// scrolled out of a scrollable container's box is cut off. Skipped where no
// OpenGL 3.3 context can be made.
#include <gtest/gtest.h>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "render/support/gl_test_device.h"
#include "render/view/interface_view.h"
#include "render/view/mesh_building.h"
#include "render/view/scene_view.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

constexpr std::uint32_t width = 200;
constexpr std::uint32_t height = 150;
constexpr std::uint32_t background = 0xFF000000u;
constexpr std::uint32_t grey = 0xFF808080u;
constexpr std::uint32_t red = 0xFFFF0000u;
constexpr std::uint32_t green = 0xFF00FF00u;
constexpr std::uint32_t blue = 0xFF0000FFu;
constexpr std::uint32_t yellow = 0xFFFFFF00u;

int channel(std::uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFFu); }

class WidgetGl : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    const test::offscreen_gl opened = test::open_offscreen_gl("widget test", width, height, win_, system_, device_);
    ASSERT_NE(opened, test::offscreen_gl::no_window);
    if (opened == test::offscreen_gl::no_context) GTEST_SKIP() << "no OpenGL 3.3 context";
    std::string errors;
    ASSERT_EQ(device_->create_effect(test::engine_effect_text(), effect_, errors), gpu::result::ok) << errors;
    ASSERT_TRUE(flat_.create(*device_, *effect_));

    view_.options = &options_;
    view_.set_up_buffers(1);
    view_.set_device(device_.get());
    view_.set_effect(effect_.get());
    view_.restore_device_objects();
    set_view_renderer(&view_);
    g_ui_manager.screen_width = width;
    g_ui_manager.screen_height = height;
  }

  void TearDown() override {
    g_ui_manager.clear();
    if (get_view_renderer() == &view_) set_view_renderer(nullptr);
    view_.set_device(nullptr);
    flat_.release();
    effect_.reset();
    device_.reset();
    system_.reset();
    win_.reset();
    test::ui_test::TearDown();
  }

  // A flat box in one colour with the effect's material.
  std::unique_ptr<mesh> box(float w, float h, std::uint32_t colour) {
    auto m = std::make_unique<mesh>();
    add_rect_quad(*m, vec3(0.0f, 0.0f, 0.0f), w, h, colour);
    m->set_material(&flat_.mat);
    m->set_shader_class(1);
    return m;
  }
  template <class W>
  W* place(container& c, std::unique_ptr<W> w, float x, float y, float wd, float ht, std::uint32_t colour,
           int slot = slot_background) {
    W* raw = c.add(std::move(w));
    raw->set_position({x, y});
    raw->set_size({wd, ht});
    raw->set_mesh_slot(slot, box(wd, ht, colour));
    return raw;
  }

  // Draws the roots and reads the picture back.
  std::vector<std::uint32_t> draw() {
    render_view ui;
    set_up_interface_view(ui, width, height);
    ui.flags |= view_flag_clear_colour;
    ui.clear_colour = background;
    g_ui_manager.draw(ui);
    EXPECT_TRUE(view_.render());
    std::vector<std::uint32_t> pixels;
    EXPECT_EQ(device_->read_back_buffer(0, 0, width, height, pixels), gpu::result::ok);
    ui.clear_meshes();
    return pixels;
  }
  // The pixel at a UI point (x 0..1 across, y 0..0.75 upwards).
  static std::uint32_t at(const std::vector<std::uint32_t>& pixels, float x, float y) {
    const auto px = static_cast<std::uint32_t>(x * width);
    const auto py = static_cast<std::uint32_t>((1.0f - y / 0.75f) * height);
    return pixels[std::min(py, height - 1) * width + std::min(px, width - 1)];
  }
  // Whether the pixel shows the colour: the same channels bright and dark
  // (the device's colour handling changes the exact values; the grey of the
  // panel comes out lighter).
  static bool shows(std::uint32_t pixel, std::uint32_t colour) {
    const int r = channel(pixel, 16), g = channel(pixel, 8), b = channel(pixel, 0);
    switch (colour) {
      case background: return r < 30 && g < 30 && b < 30;
      case grey: return r > 90 && r < 230 && std::abs(r - g) < 10 && std::abs(r - b) < 10;
      case red: return r > 200 && g < 100 && b < 100;
      case green: return g > 200 && r < 100 && b < 100;
      case blue: return b > 200 && r < 100 && g < 100;
      case yellow: return r > 200 && g > 200 && b < 150;
      default: return false;
    }
  }

  std::unique_ptr<platform::window> win_;
  std::unique_ptr<gpu::gpu_system> system_;
  std::unique_ptr<gpu::device> device_;
  std::unique_ptr<gpu::effect> effect_;
  test::white_effect_material flat_;
  scene_view view_;
  game_options options_;
};

TEST_F(WidgetGl, EachWidgetIsDrawnInsideItsBox) {
  auto panel = std::make_unique<window_container>();
  window_container& p = *panel;
  p.set_position({0.1f, 0.1f});
  p.set_size({0.8f, 0.55f});
  p.set_mesh_slot(slot_background, box(0.8f, 0.55f, grey));
  place(p, std::make_unique<text_button>(), 0.05f, 0.05f, 0.2f, 0.1f, red, slot_up);
  place(p, std::make_unique<slider>(), 0.35f, 0.05f, 0.4f, 0.05f, green);
  place(p, std::make_unique<widget>(), 0.1f, 0.3f, 0.2f, 0.2f, blue);
  // A box 0.2 x 0.1 onto a yellow block 0.2 high, scrolled to its top: the
  // block's lower half lies below the box and must not show.
  auto* sc = p.add(std::make_unique<scrollable_container>());
  sc->set_position({0.45f, 0.3f});
  auto* block = sc->content->add(std::make_unique<widget>());
  sc->set_view_size({0.2f, 0.1f});
  block->set_size({0.2f, 0.2f});
  block->set_mesh_slot(slot_background, box(0.2f, 0.2f, yellow));
  sc->update_layout();
  sc->update(0.0f);
  g_ui_manager.push_root_widget(std::move(panel));

  const std::vector<std::uint32_t> pixels = draw();
  EXPECT_TRUE(shows(at(pixels, 0.05f, 0.05f), background)) << std::hex << at(pixels, 0.05f, 0.05f);
  EXPECT_TRUE(shows(at(pixels, 0.12f, 0.6f), grey)) << std::hex << at(pixels, 0.12f, 0.6f);
  EXPECT_TRUE(shows(at(pixels, 0.25f, 0.2f), red)) << std::hex << at(pixels, 0.25f, 0.2f);
  EXPECT_TRUE(shows(at(pixels, 0.65f, 0.17f), green)) << std::hex << at(pixels, 0.65f, 0.17f);
  EXPECT_TRUE(shows(at(pixels, 0.3f, 0.5f), blue)) << std::hex << at(pixels, 0.3f, 0.5f);
  EXPECT_TRUE(shows(at(pixels, 0.65f, 0.45f), yellow)) << std::hex << at(pixels, 0.65f, 0.45f);
  // Just outside each box the panel shows.
  EXPECT_TRUE(shows(at(pixels, 0.25f, 0.27f), grey)) << std::hex << at(pixels, 0.25f, 0.27f);
  EXPECT_TRUE(shows(at(pixels, 0.65f, 0.23f), grey)) << std::hex << at(pixels, 0.65f, 0.23f);
  // The yellow block's lower half, scrolled below the box, is cut off.
  EXPECT_TRUE(shows(at(pixels, 0.65f, 0.35f), grey)) << std::hex << at(pixels, 0.65f, 0.35f);
}

}  // namespace
}  // namespace hm
