#include "ui/manager/ui_manager.h"

#include <algorithm>
#include <cmath>

#include "engine/app/input_state.h"
#include "engine/audio/sound_manager.h"
#include "engine/core/timer.h"
#include "engine/resource/resource_manager.h"
#include "platform/input/input.h"
#include "render/entity/render_view.h"
#include "render/view/interface_view.h"
#include "render/view/mesh_building.h"
#include "render/view/text_mesh.h"

namespace hm {

ui_manager g_ui_manager;

namespace {

// The button timers of a cleared manager stand this many ticks in the past,
// so that the first press is never a double press.
constexpr std::int64_t one_second_ticks = 100000;
// Widgets raise the depth by one per mesh; the interface's camera must reach
// that far in front of the UI plane.
constexpr float ui_depth_range = 100000.0f;
// The overlay's lines wrap and centre in this width.
constexpr float overlay_line_width = 0.4f;
// The overlay box stays inside these bounds.
constexpr float overlay_min_x = 0.011f;
constexpr float overlay_max_x = 0.989f;
constexpr float overlay_min_y = 0.011f;
constexpr float overlay_max_y = 0.739f;
constexpr float overlay_max_height = 0.728f;

// In double precision, so that exactly 0.4 s is not taken for less.
double timer_elapsed(const widget_timer& t) {
  return static_cast<double>(clock_ticks(t.clock_id) - t.start_ticks) * 1e-5;
}

struct button_bits {
  std::uint32_t press;
  std::uint32_t double_press;
  std::uint32_t release;
};
constexpr button_bits buttons[3] = {
    {ui_event::press, ui_event::double_press, ui_event::release},
    {ui_event::right_press, ui_event::right_double_press, ui_event::right_release},
    {ui_event::middle_press, ui_event::middle_double_press, ui_event::middle_release},
};

void drop_material(mesh& m) {
  m.clear_geometry();
  m.set_material(nullptr);
}

}  // namespace

// --- text decoding ------------------------------------------------------------------------------

int decode_utf8(std::string_view text, std::int32_t* out, int capacity) {
  int count = 0;
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto byte = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(text[k])); };
  while (i < n && count < capacity) {
    const std::uint32_t b0 = byte(i);
    std::size_t len = 0;
    if (b0 < 0x80u)
      len = 1;
    else if (b0 >= 0xC2u && b0 <= 0xDFu)
      len = 2;
    else if (b0 >= 0xE0u && b0 <= 0xEFu)
      len = 3;
    else if (b0 >= 0xF0u && b0 <= 0xF4u)
      len = 4;
    if (len == 0) {
      ++i;
      continue;
    }
    // A sequence cut by the text's end ends the text.
    if (n - i < len) break;
    std::uint32_t code = 0;
    switch (len) {
      case 1: code = b0; break;
      case 2: code = ((b0 & 0x1Fu) << 6) | (byte(i + 1) & 0x3Fu); break;
      case 3: code = ((b0 & 0x0Fu) << 12) | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu); break;
      default:
        code = ((b0 & 0x07u) << 18) | ((byte(i + 1) & 0x3Fu) << 12) | ((byte(i + 2) & 0x3Fu) << 6) |
               (byte(i + 3) & 0x3Fu);
        break;
    }
    if (out) out[count] = static_cast<std::int32_t>(code);
    ++count;
    i += len;
  }
  return count;
}

int count_utf8(std::string_view text, int capacity) { return decode_utf8(text, nullptr, capacity); }

message_fade message_log_fade(float age) {
  const float raw = std::trunc((1.0f - age * 0.1f) * 256.0f);
  const auto alpha = static_cast<std::uint32_t>(std::clamp(raw, 0.0f, 254.0f));
  const std::uint32_t grey = std::min<std::uint32_t>((255u - alpha) * 2u / 3u, 254u);
  return {alpha, grey};
}

// --- life ---------------------------------------------------------------------------------------

ui_manager::ui_manager() {
  for (widget_timer& t : button_timers) t = {clock_real_time, clock_ticks(clock_real_time)};
  clear();
  typed_character = -1;
  overlay_anchor = -1;
  mouse_position = {};
  accumulated_edge_push = {};
  previous_mouse_position = {};
  close_top_root = 0;
  wheel = 0;
}

ui_manager::~ui_manager() {
  clear();
  release_meshes();
}

void ui_manager::clear() {
  cleared_state = 1;
  ui_height = interface_height;
  capturing_widget = nullptr;
  for (widget_timer& t : button_timers) t.start_ticks = clock_ticks(t.clock_id) - one_second_ticks;
  // Deleted top first, as pop-ups may refer to the windows below them.
  while (!roots.empty()) roots.pop_back();
  capturing_widget = nullptr;
  tooltip_mesh.reset();
  reset_overlay_texts(nullptr, true);
  close_top_root = 0;
  message_visible = false;
}

void ui_manager::release_meshes() {
  clear_message_log(messages);
  drop_material(message_background);
  drop_material(message_text);
  tooltip_mesh.reset();
  overlay_mesh.reset();
  overlay_box_mesh.reset();
}

material* ui_manager::ui_material(const char* name) const {
  resource_manager& r = resources ? *resources : g_resource_manager;
  return r.get_material(ruv_string(name));
}

const mesh* ui_manager::resource_mesh(const char* name) const {
  resource_manager& r = resources ? *resources : g_resource_manager;
  return r.find_mesh(ruv_string(name));
}

std::unique_ptr<mesh> ui_manager::resource_mesh_copy(const char* name) const {
  const mesh* m = resource_mesh(name);
  return m ? m->create_copy() : nullptr;
}

// --- pending messages -----------------------------------------------------------------------------

void pending_message_queue::push(const ruv_string& text, std::uint32_t colour) {
  if (count >= capacity || count < 0) return;
  const auto slot = static_cast<std::size_t>((head + count) % capacity);
  texts[slot] = text;
  colours[slot] = static_cast<std::int32_t>(colour);
  ++count;
}

bool pending_message_queue::pop(ruv_string& text_out, std::uint32_t& colour_out) {
  if (count <= 0) {
    text_out = ruv_string("No messages");
    colour_out = 0xFFFFFFFFu;
    return false;
  }
  const auto slot = static_cast<std::size_t>(head);
  text_out = texts[slot];
  colour_out = static_cast<std::uint32_t>(colours[slot]);
  head = (head + 1) % capacity;
  --count;
  return true;
}

void ui_manager::flush_pending_messages() {
  ruv_string t;
  std::uint32_t c = 0;
  while (pending_messages.pop(t, c)) add_message_line(messages, t, c);
}

// --- roots ----------------------------------------------------------------------------------------

void ui_manager::push_root_widget(std::unique_ptr<widget> w) {
  if (w) roots.push_back(std::move(w));
}

void ui_manager::pop_root_widget() {
  redraw = 1;
  if (!roots.empty()) {
    widget* top = roots.back().get();
    if (capturing_widget)
      capturing_widget->handle_event(ui_event::closing);
    else
      top->handle_event(ui_event::closing);
    // The closing event may have changed the stack; the root that was on top goes.
    const auto it = std::find_if(roots.begin(), roots.end(), [top](const auto& r) { return r.get() == top; });
    if (it != roots.end()) {
      release_widget(*top);
      roots.erase(it);
    }
  }
  close_top_root = 0;
}

void ui_manager::release_widget(const widget& w) {
  for (const widget* c = capturing_widget; c; c = c->parent) {
    if (c == &w) {
      capturing_widget = nullptr;
      return;
    }
  }
}

void ui_manager::dispatch_event(std::uint32_t bits) {
  if (capturing_widget)
    capturing_widget->handle_event(bits);
  else if (widget* top = top_root())
    top->handle_event(bits);
}

void ui_manager::play_click() {
  ++clicks_played;
  g_sound_manager.play_sound_in_slot(0, sound_flag::flat, vec3());
}

// --- input step -----------------------------------------------------------------------------------

void ui_manager::process_input(float frame_time, const mouse_input& input) {
  if (widget* top = top_root()) top->clear_events();

  // Edge push: the mouse pushed on past a screen edge.
  edge_push = {};
  const float mx = mouse_position.x;
  if ((mx <= 0.01f && input.move_x < 0.0f) || (mx >= 0.99f && input.move_x > 0.0f)) {
    edge_push.x = input.move_x;
    accumulated_edge_push.x += input.move_x;
  } else if (mx > 0.01f && mx < 0.99f) {
    accumulated_edge_push.x = 0.0f;
  }
  const float my = mouse_position.y;
  const float up = -input.move_y;
  if ((my <= 0.01f && up < 0.0f) || (my >= 0.74f && up > 0.0f)) {
    edge_push.y = up;
    accumulated_edge_push.y += up;
  } else if (my > 0.01f && my < 0.74f) {
    accumulated_edge_push.y = 0.0f;
  }

  previous_cursor[0] = cursor[0];
  previous_cursor[1] = cursor[1];
  previous_mouse_position = mouse_position;
  cursor[0] = input.cursor_x;
  cursor[1] = input.cursor_y;
  if (input.client_width > 0 && input.client_height > 0) {
    mouse_position.x = static_cast<float>(input.cursor_x - input.client_left) / static_cast<float>(input.client_width);
    mouse_position.y =
        (1.0f - static_cast<float>(input.cursor_y - input.client_top) / static_cast<float>(input.client_height)) *
        ui_height;
  }

  dispatch_event(ui_event::hover);

  wheel = 0;
  redraw = 0;
  bool moved = false;
  std::int32_t sum[2] = {0, 0};
  const std::size_t records = std::min<std::size_t>(input.records.size(), ui_mouse_records);
  for (std::size_t i = 0; i < records && !redraw; ++i) {
    const mouse_record& r = input.records[i];
    switch (r.type) {
      case mouse_record::kind::move_x: sum[0] += r.amount; moved = true; break;
      case mouse_record::kind::move_y: sum[1] += r.amount; moved = true; break;
      case mouse_record::kind::wheel: wheel += r.amount; break;
      case mouse_record::kind::button: {
        if (r.button < 0 || r.button > 2) break;
        if (moved) {
          dispatch_event(ui_event::hover);
          sum[0] = sum[1] = 0;
          moved = false;
          if (redraw) break;
        }
        const button_bits& b = buttons[r.button];
        widget_timer& t = button_timers[static_cast<std::size_t>(r.button)];
        if (r.down) {
          dispatch_event(b.press);
          if (timer_elapsed(t) < double_press_seconds) {
            if (!redraw) dispatch_event(b.double_press);
          } else {
            t.start_ticks = clock_ticks(t.clock_id);
          }
        } else {
          dispatch_event(b.release);
        }
        break;
      }
    }
  }
  if (moved && !redraw) dispatch_event(ui_event::hover);

  if (capturing_widget && typed_character > 0) capturing_widget->handle_event(ui_event::character);

  for (std::size_t i = 0; i < roots.size(); ++i) roots[i]->update(frame_time);
  if (overlay_step) overlay_step(frame_time);
  if (close_top_root) pop_root_widget();
  advance_timers(frame_time);
  if (rebuild) {
    rebuild = 0;
    if (pending_rebuild) pending_rebuild();
  }
}

void ui_manager::advance_timers(float dt) {
  if (overlay_buffer_full) {
    add_message_line(messages, overlay_buffer, overlay_buffer_colour);
    overlay_buffer_full = false;
  }
  age_message_log(messages, dt);
  fade = std::max(0.0f, fade - dt * 0.1f);
}

void ui_manager::reset_timers() {
  fade = 0.0f;
  fade_companion = 0.0f;
  clear_message_log(messages);
}

void ui_manager::post_overlay_buffer(const ruv_string& text, std::uint32_t colour) {
  overlay_buffer = text;
  overlay_buffer_colour = colour;
  overlay_buffer_full = true;
}

std::vector<mouse_record> mouse_records_from_input(const input_state& input) {
  std::vector<mouse_record> out;
  auto amount = [](float v) { return static_cast<std::int32_t>(std::lround(v)); };
  if (input.mouse_dx != 0.0f) out.push_back({mouse_record::kind::move_x, amount(input.mouse_dx), 0, false});
  if (input.mouse_dy != 0.0f) out.push_back({mouse_record::kind::move_y, amount(input.mouse_dy), 0, false});
  if (input.mouse_dz != 0.0f) out.push_back({mouse_record::kind::wheel, amount(input.mouse_dz), 0, false});
  for (int b = 0; b < 3; ++b) {
    const int code = platform::mouse_button_first + b;
    const bool now = input.keys[code] != 0;
    const bool before = input.previous_keys[code] != 0;
    if (now != before) out.push_back({mouse_record::kind::button, 0, b, now});
  }
  return out;
}

// --- drawing ------------------------------------------------------------------------------------

float ui_manager::draw(render_view& view) {
  view.camera.near = -ui_depth_range;
  view.camera.far = ui_depth_range;
  view.camera.update_frustum_planes();
  float depth = 0.0f;
  const ui_vec2 clip_min{0.0f, 0.0f};
  const ui_vec2 clip_max{interface_width, interface_height};
  for (std::size_t i = 0; i < roots.size(); ++i) roots[i]->render(view, depth, clip_min, clip_max);

  if (overlay_mesh && overlay_count > 0) {
    frame f = frame::identity();
    f.rot.s = f.rot.s * overlay_scale;
    f.rot.f = f.rot.f * overlay_scale;
    f.origin = vec3(overlay_position.x, overlay_position.y, depth + 1.0f);
    if (overlay_box_mesh) overlay_box_mesh->render(view, f);
    f.origin.z = depth + 2.0f;
    overlay_mesh->render(view, f);
    depth += 2.0f;
  }
  depth += 1.0f;
  log_meshes_drawn = draw_message_log(view, depth);
  if (message_visible) {
    frame f = frame::identity();
    f.origin = vec3(interface_width * 0.5f, interface_height * 0.5f, depth + 1.0f);
    message_background.render(view, f);
    f.origin.z = depth + 2.0f;
    message_text.render(view, f);
    depth += 2.0f;
  }
  // The tooltip lies over everything else of the interface: the overlay and
  // the message log too.
  if (tooltip_mesh) {
    depth += 1.0f;
    frame f = frame::identity();
    f.origin.z = depth;
    tooltip_mesh->render(view, f);
  }
  return depth;
}

int ui_manager::draw_message_log(mesh_render_view& view, float depth) {
  int queued = 0;
  float y = 0.2f - message_log_offset;
  // The ring runs backwards from the newest slot: the oldest entry is the one
  // after it, and the log grows upwards from the oldest.
  for (int k = 0; k < message_log_slots; ++k) {
    const int slot = (messages.log_slot + message_log_slots - 1 - k) % message_log_slots;
    const auto s = static_cast<std::size_t>(slot);
    const float age = messages.log_line_age[s];
    if (!(age < message_log_seconds)) continue;
    y += messages.log_line_height[s];
    const message_fade fade = message_log_fade(age);
    mesh& line = messages.log_text_meshes[s];
    mesh& background = messages.log_background_meshes[s];
    line.color = (fade.alpha << 24) | (messages.log_line_color[s] & 0x00FFFFFFu);
    background.color = 0xFF000000u | (fade.grey << 16) | (fade.grey << 8) | fade.grey;
    frame f = frame::identity();
    f.origin = vec3(0.002f, y, depth);
    for (mesh* m : {&line, &background}) {
      if (!m->mat || m->get_faces().empty()) continue;
      m->render(view, f);
      ++queued;
    }
  }
  return queued;
}

// --- overlay ------------------------------------------------------------------------------------

void ui_manager::set_tooltip_mesh(std::unique_ptr<mesh> m) { tooltip_mesh = std::move(m); }

void ui_manager::reset_overlay_texts(std::unique_ptr<mesh> m, bool clear_lines) {
  overlay_mesh = std::move(m);
  if (!overlay_mesh) {
    overlay_anchor = -1;
    overlay_colour = 0xFF101010u;
    overlay_box_mesh.reset();
  }
  if (clear_lines) {
    for (ruv_string& t : overlay_texts) t.clear();
    overlay_line_flags.fill(0);
    overlay_line_sizes.fill(0.0f);
    overlay_line_colours.fill(0);
    overlay_layout[0] = 0.0f;
    overlay_layout[1] = -0.03f;
  }
  overlay_count = 0;
  next_line_y = 0.0f;
}

void ui_manager::rebuild_overlay() {
  const std::int32_t lines = overlay_count;
  std::array<ruv_string, overlay_max_lines> texts = overlay_texts;
  const auto flags = overlay_line_flags;
  const auto sizes = overlay_line_sizes;
  const auto colours = overlay_line_colours;
  reset_overlay_texts(std::make_unique<mesh>(), false);
  for (std::int32_t i = 0; i < lines; ++i) {
    const auto k = static_cast<std::size_t>(i);
    add_overlay_text_line(texts[k], sizes[k], colours[k], flags[k] != 0);
  }
}

bool ui_manager::add_overlay_text_line(const ruv_string& t, float text_size, std::uint32_t line_colour, bool snap) {
  if (!overlay_mesh) reset_overlay_texts(std::make_unique<mesh>(), false);
  if (overlay_count >= overlay_max_lines) return false;
  const auto k = static_cast<std::size_t>(overlay_count);
  overlay_texts[k] = t;
  overlay_line_flags[k] = snap ? 1 : 0;
  overlay_line_sizes[k] = text_size;
  overlay_line_colours[k] = line_colour;
  ++overlay_count;

  mesh& m = *overlay_mesh;
  if (!m.mat) {
    m.material_name = "ui_font";
    m.set_material(ui_material("ui_font"));
  }
  if (default_font) {
    vec3 extent;
    const vec3 pen(overlay_layout[0], next_line_y - text_size, 0.0f);
    build_text_mesh(*default_font, extent, t.view(), pen, line_colour, vec3(text_size, text_size, 0.0f), m,
                    vec3(0.0f, 0.0f, 0.0f), vec3(overlay_line_width, 0.0f, 0.0f),
                    snap ? ui_text_flag::centre : 0u);
    // One text size a line; a text that wrapped takes the lines it used.
    next_line_y -= std::max(text_size, extent.y - 0.001f);
  } else {
    next_line_y -= text_size;
  }
  if (!m.get_points().empty()) {
    m.compute_bounding_box();
    set_overlay_box({m.bbox.min.x - 0.01f, m.bbox.min.y - 0.01f},
                    {m.bbox.max.x - m.bbox.min.x + 0.02f, m.bbox.max.y - m.bbox.min.y + 0.02f});
  }
  set_overlay_position(overlay_position);
  return true;
}

void ui_manager::set_overlay_box(const ui_vec2& origin, const ui_vec2& box_size) {
  if (!overlay_box_mesh) overlay_box_mesh = std::make_unique<mesh>();
  mesh& m = *overlay_box_mesh;
  m.clear_geometry();
  if (!m.mat) {
    m.material_name = "matte";
    m.set_material(ui_material("matte"));
  }
  // Behind the lines, which lie at z 0 of the same frame.
  add_rect_quad(m, vec3(origin.x, origin.y, -0.5f), box_size.x, box_size.y, overlay_colour);
}

void ui_manager::set_overlay_position(const ui_vec2& p) {
  overlay_position = p;
  overlay_scale = 1.0f;
  ui_vec2& q = overlay_position;
  q.x = std::clamp(q.x, 0.05f, 0.95f);
  if (!overlay_mesh || overlay_mesh->get_points().empty()) return;
  overlay_mesh->compute_bounding_box();
  const vec3 lo = overlay_mesh->bbox.min;
  const vec3 hi = overlay_mesh->bbox.max;
  if (q.x + lo.x < overlay_min_x)
    q.x = overlay_min_x - lo.x;
  else if (q.x + hi.x > overlay_max_x)
    q.x = overlay_max_x - hi.x;
  if (q.y + lo.y < overlay_min_y)
    q.y = overlay_min_y - lo.y;
  else if (q.y + hi.y > overlay_max_y)
    q.y = overlay_max_y - hi.y;
  if (hi.y - lo.y > overlay_max_height) {
    overlay_scale = overlay_max_height / (hi.y - lo.y);
    q.y = overlay_min_y - overlay_scale * lo.y;
  }
}

// --- large message ------------------------------------------------------------------------------

void ui_manager::set_message_text(const ruv_string& t, std::uint32_t text_colour) {
  if (!message_text.mat) {
    message_text.material_name = "ui_font";
    message_text.set_material(ui_material("ui_font"));
  }
  message_text.clear_geometry();
  message_background.clear_geometry();
  if (t.empty() || !default_font) {
    message_visible = false;
    return;
  }
  vec3 extent;
  build_text_mesh(*default_font, extent, t.view(), vec3(-0.35f, 0.0f, 0.0f), 0xFFFFFFFFu, vec3(0.017f, 0.017f, 0.0f),
                  message_text, vec3(-0.35f, 0.0f, 0.0f), vec3(0.35f, 0.0f, 0.0f), ui_text_flag::keep_width);
  if (!message_background.mat) {
    message_background.material_name = "matte";
    message_background.set_material(ui_material("matte"));
  }
  if (!message_text.get_points().empty()) {
    message_text.compute_bounding_box();
    const vec3 lo = message_text.bbox.min;
    const vec3 hi = message_text.bbox.max;
    add_rect_quad(message_background, vec3(lo.x - 0.01f, lo.y - 0.01f, -0.5f), hi.x - lo.x + 0.02f,
                  hi.y - lo.y + 0.02f, 0xA0000000u);
  }
  message_text.color = text_colour;
  message_visible = true;
}

}  // namespace hm
