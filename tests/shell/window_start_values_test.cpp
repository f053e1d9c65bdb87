// The start values of the world-map and character windows, and the world-map
// window's nine saved values through both stream forms.
#include "shell/window_start_values.h"

#include <gtest/gtest.h>

#include "engine/core/stream.h"

namespace hm {
namespace {

TEST(WindowStartValues, WorldMapCameraAndSavedValues) {
  const world_map_window_values w;
  EXPECT_FLOAT_EQ(w.view.view_left, -0.1f);
  EXPECT_FLOAT_EQ(w.view.view_right, 0.1f);
  EXPECT_FLOAT_EQ(w.view.view_bottom, -0.07f);
  EXPECT_FLOAT_EQ(w.view.view_top, 0.07f);
  EXPECT_FLOAT_EQ(w.view.near, 0.2f);
  EXPECT_FLOAT_EQ(w.view.far, 300.0f);
  EXPECT_GT(w.view.plane_count, 0);
  EXPECT_FLOAT_EQ(w.camera_offset.z, 10.0f);
  EXPECT_FLOAT_EQ(w.saved_values[1], 1.0f);
  EXPECT_FLOAT_EQ(w.saved_values[2], 5.0f);
  const character_window_values c;
  EXPECT_EQ(c.selected, -1);
  EXPECT_EQ(c.value, 0);
  EXPECT_FLOAT_EQ(c.view.far, camera().far);
}

TEST(WindowStartValues, NineFloatsRoundTripInBothFormsAndNothingElse) {
  world_map_window_values w;
  w.saved_a = vec3(1.5f, -2.0f, 3.25f);
  w.saved_b = vec3(4.0f, 5.5f, -6.0f);
  w.saved_values[0] = 7.0f;
  w.flag = 1;  // not saved
  binary_stream binary;
  w.save(binary);
  EXPECT_EQ(binary.contents().size(), 9u * 4u);
  text_stream text;
  w.save(text);
  EXPECT_EQ(std::string(text.contents()),
            "1.500000 -2.000000 3.250000 4.000000 5.500000 -6.000000 7.000000 1.000000 5.000000 ");
  for (stream* s : {static_cast<stream*>(&binary), static_cast<stream*>(&text)}) {
    world_map_window_values back;
    s->rewind();
    back.load(*s);
    EXPECT_FLOAT_EQ(back.saved_a.y, -2.0f);
    EXPECT_FLOAT_EQ(back.saved_a.z, 3.25f);
    EXPECT_FLOAT_EQ(back.saved_b.x, 4.0f);
    EXPECT_FLOAT_EQ(back.saved_b.z, -6.0f);
    EXPECT_FLOAT_EQ(back.saved_values[0], 7.0f);
    EXPECT_FLOAT_EQ(back.saved_values[2], 5.0f);
    EXPECT_EQ(back.flag, 0);
  }
}

}  // namespace
}  // namespace hm
