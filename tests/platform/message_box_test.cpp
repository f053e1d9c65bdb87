#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <string>

namespace hm::platform {
namespace {

TEST(message_box, without_a_backend_the_text_goes_to_standard_error_and_the_first_button_answers) {
  set_message_box_backend(nullptr);
  struct example {
    message_box_buttons buttons;
    message_box_result expected;
  };
  const example examples[] = {
      {message_box_buttons::ok, message_box_result::ok},
      {message_box_buttons::ok_cancel, message_box_result::ok},
      {message_box_buttons::yes_no, message_box_result::yes},
  };
  for (const example& e : examples) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(show_message_box("RUV ERROR", "Unable to open x", message_box_icon::error, e.buttons), e.expected);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[RUV ERROR] Unable to open x\n");
  }
}

std::string g_seen;
message_box_result answer_no(std::string_view caption, std::string_view text, message_box_icon,
                             message_box_buttons) {
  g_seen = std::string(caption) + "|" + std::string(text);
  return message_box_result::no;
}

TEST(message_box, an_installed_backend_shows_the_box_and_gives_the_answer) {
  set_message_box_backend(&answer_no);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(show_message_box("RUV WARNING", "Go on?", message_box_icon::warning, message_box_buttons::yes_no),
            message_box_result::no);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(g_seen, "RUV WARNING|Go on?");
  set_message_box_backend(nullptr);
}

}  // namespace
}  // namespace hm::platform
