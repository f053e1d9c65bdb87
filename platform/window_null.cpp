#include "platform/window.h"

namespace hm::platform {

null_window::null_window() = default;

bool null_window::create(const window_create_params& params) {
  caption_ = params.caption;
  fullscreen_ = params.fullscreen;
  const int x = usable_area_.left + (usable_area_.width() - params.client_width) / 2;
  const int y = usable_area_.top + (usable_area_.height() - params.client_height) / 2;
  bounds_ = {x, y, x + params.client_width, y + params.client_height};
  windowed_bounds_ = bounds_;
  exists_ = true;
  ++create_count_;
  return true;
}

bool null_window::set_fullscreen(bool fullscreen, const screen_mode* mode) {
  if (fullscreen == fullscreen_) return true;
  if (fullscreen) {
    windowed_bounds_ = bounds_;
    const screen_mode m = mode ? *mode : desktop_;
    bounds_ = {0, 0, m.width, m.height};
  } else {
    bounds_ = windowed_bounds_;
  }
  fullscreen_ = fullscreen;
  return true;
}

void null_window::client_size(int& width, int& height) const {
  width = bounds_.width();
  height = bounds_.height();
}

void null_window::user_resize(int width, int height) {
  bounds_.right = bounds_.left + width;
  bounds_.bottom = bounds_.top + height;
  window_event event;
  event.kind = window_event_kind::resized;
  event.width = width;
  event.height = height;
  events_.push_back(event);
}

bool null_window::poll_event(window_event& event) {
  if (events_.empty()) return false;
  event = events_.front();
  events_.pop_front();
  if (listener_ && is_listener_event(event.kind)) listener_->on_input_event(event);
  return true;
}

bool null_window::wait_event(window_event& event) {
  if (poll_event(event)) return true;
  event = window_event{};
  event.kind = window_event_kind::close;
  return true;
}

}  // namespace hm::platform
