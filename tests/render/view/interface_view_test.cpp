// The interface's camera: a window the interface's size centred over the
// middle of its space, so that the space's corners land on the back buffer's.
#include <gtest/gtest.h>

#include "render/view/interface_view.h"

namespace hm {
namespace {

TEST(interface_view, corners_of_the_interface_land_on_the_back_buffers) {
  render_view view;
  set_up_interface_view(view, 800, 600);
  const camera& c = view.camera;
  EXPECT_EQ(c.perspective, 0);
  EXPECT_FLOAT_EQ(c.view_left, -0.5f);
  EXPECT_FLOAT_EQ(c.view_right, 0.5f);
  EXPECT_FLOAT_EQ(c.view_bottom, -0.375f);
  EXPECT_FLOAT_EQ(c.view_top, 0.375f);
  EXPECT_EQ(view.viewport.width, 800u);
  EXPECT_EQ(view.viewport.height, 600u);
  // Fractions of the window: x from the left, y from the top.
  struct corner {
    vec3 at;
    float x, y;
  };
  for (const corner& k : {corner{vec3(0, 0, 0), 0.0f, 1.0f}, corner{vec3(1, 0.75f, 0), 1.0f, 0.0f},
                          corner{vec3(0.5f, 0.375f, 0), 0.5f, 0.5f}, corner{vec3(0.25f, 0.75f, 3), 0.25f, 0.0f}}) {
    float x = -1, y = -1;
    ASSERT_TRUE(c.world_to_screen(k.at, x, y));
    EXPECT_NEAR(x, k.x, 1e-6f);
    EXPECT_NEAR(y, k.y, 1e-6f);
  }
  // The middle of the interface is inside the frustum.
  EXPECT_TRUE(c.sphere_visible(vec3(0.5f, 0.375f, 0.0f), 0.01f));
  EXPECT_FALSE(c.sphere_visible(vec3(1.5f, 0.375f, 0.0f), 0.01f));
}

}  // namespace
}  // namespace hm
