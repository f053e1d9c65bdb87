#pragma once
// Message boxes ("RUV ERROR", "RUV WARNING", device errors). Without a display, or
// until a window backend installs itself, the text goes to standard error and the
// call returns at once: a box must never block a run that nobody watches.
#include <string_view>

namespace hm::platform {

enum class message_box_icon { error, warning, information };
enum class message_box_buttons { ok, ok_cancel, yes_no };
enum class message_box_result { ok, cancel, yes, no };

message_box_result show_message_box(std::string_view caption, std::string_view text,
                                    message_box_icon icon = message_box_icon::error,
                                    message_box_buttons buttons = message_box_buttons::ok);

// A backend that can show real boxes (the window layer). Null restores the
// standard-error form.
using message_box_backend = message_box_result (*)(std::string_view caption, std::string_view text,
                                                   message_box_icon icon, message_box_buttons buttons);
void set_message_box_backend(message_box_backend backend);
// True while boxes appear on screen; false while they go to standard error.
bool message_boxes_shown();

}  // namespace hm::platform
