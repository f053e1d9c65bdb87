// The application's side of the video options screen: the display modes as
// the screens list them, from the frame's own enumeration, and a device reset
// asked for in a window (where the size is the window's) leaving the frame as
// it was.
#include <gtest/gtest.h>

#include "engine/app/application_frame.h"
#include "engine/app/device_enumeration.h"
#include "shell/windows/video_options_host.h"

namespace hm {
namespace {

TEST(VideoOptionsHost, DisplayModesAreListedOnceByDepth) {
  application_frame frame;
  auto adapter = std::make_unique<adapter_info>();
  using gpu::format;
  adapter->display_modes = {{640, 480, 60, format::r5g6b5},     {640, 480, 60, format::x8r8g8b8},
                            {640, 480, 75, format::x8r8g8b8},   {1024, 768, 60, format::x8r8g8b8},
                            {1024, 768, 60, format::x1r5g5b5}};
  frame.enumeration.adapters.push_back(std::move(adapter));
  application_video_host host(frame);
  EXPECT_EQ(host.display_modes(), (std::vector<std::string>{"640x480 16 bits", "640x480 32 bits",
                                                            "1024x768 32 bits", "1024x768 16 bits"}));
  // Without an adapter there is nothing to list.
  application_frame none;
  EXPECT_TRUE(enum_display_modes(none.enumeration).empty());
}

TEST(VideoOptionsHost, AResetInAWindowLeavesTheFrameAsItWas) {
  application_frame frame;
  frame.windowed = true;
  application_video_host host(frame);
  const int paused = frame.pause_count();
  host.reset_graphics_device();
  EXPECT_TRUE(frame.windowed);
  EXPECT_EQ(frame.pause_count(), paused);
  EXPECT_FALSE(frame.fatal_error_reported());
}

}  // namespace
}  // namespace hm
