#include "ui/terrain/terrain_gen_window.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/app/input_state.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/resource/resource_manager.h"
#include "platform/window.h"
#include "render/scene/scene_world.h"
#include "render/terrain/terrain_generator.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/mesh_builders.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr int key_tab = 15;
constexpr int key_w = 17;
constexpr int key_a = 30;
constexpr int key_s = 31;
constexpr int key_d = 32;
constexpr int key_numpad_minus = 74;
constexpr int key_numpad_5 = 76;
constexpr int key_numpad_plus = 78;
constexpr int key_numpad_2 = 80;
constexpr int mouse_left = 224;
constexpr int mouse_right = 225;

constexpr float row_step = 0.04f;
constexpr float pitch_min = 0.1f;
constexpr float pitch_max = 1.5f;
constexpr float distance_min = 1.5f;
constexpr float distance_max = 400.5f;
constexpr float target_max = 250.0f;
constexpr float pan_speed = 50.0f;
constexpr float key_pitch_speed = 1.1f;
constexpr float key_zoom_speed = 2.1f;
constexpr float mouse_turn_speed = 0.7f;
constexpr float mouse_zoom_speed = 0.5f;

ruv_string text(const char* t) { return ruv_string(t); }

void put_mesh(widget& w, int slot, const char* name, float sx = 1.0f, float sy = 1.0f) {
  if (auto m = g_ui_manager.resource_mesh_copy(name)) {
    if (sx != 1.0f || sy != 1.0f) m->scale(sx, sy, 1.0f);
    w.set_mesh(slot, std::move(m));
  }
}

widget* add_label(container& parent, const char* t, float x, float y) {
  widget* w = make_label(parent, text(t), x, y, 0.12f, 0.03f);
  w->set_text_size({0.018f, 0.018f});
  w->set_colour(0xFFFFFFFFu);
  w->rebuild_text_mesh();
  return w;
}

widget* add_check_box(container& parent, const char* caption, float y) {
  add_label(parent, caption, 0.01f, y);
  auto b = std::make_unique<text_button>();
  b->button_flags |= button_widget::flag_toggle;
  b->set_position({0.16f, y});
  b->set_size({0.12f, 0.03f});
  b->set_text_size({0.018f, 0.018f});
  b->set_colour(0xFFFFFFFFu);
  b->set_highlight_colour(0xFF55FF50u);
  b->set_text(text("Disabled"));
  return parent.add(std::move(b));
}

slider* add_slider_row(container& parent, const char* caption, float y) {
  add_label(parent, caption, 0.01f, y);
  auto s = std::make_unique<slider>();
  put_mesh(*s, slot_background, "slider_hor");
  put_mesh(*s, slot_up, "handle_hor");
  s->set_position({0.16f, y});
  s->set_size({0.25f, 0.025f});
  s->float_min = 0.0f;
  s->float_max = 1.0f;
  return parent.add(std::move(s));
}

combobox* add_list(container& parent, const char* caption, float y) {
  add_label(parent, caption, 0.01f, y);
  auto c = std::make_unique<combobox>();
  put_mesh(*c, slot_up, "button_drop", 1.0f, 0.5f);
  put_mesh(*c, slot_down, "button_drop_clicked", 1.0f, 0.5f);
  put_mesh(*c, slot_hover, "button_drop_hl", 1.0f, 0.5f);
  c->list_meshes = {g_ui_manager.resource_mesh("button_drop_child"),
                    g_ui_manager.resource_mesh("button_drop_child_clicked"),
                    g_ui_manager.resource_mesh("button_drop_child_hl")};
  c->set_position({0.16f, y});
  c->set_size({0.2265f, 0.03f});
  c->set_text_size({0.018f, 0.018f});
  c->set_text_position({0.02f, 0.008f});
  c->set_text(ruv_string());
  return parent.add(std::move(c));
}

void set_check(widget* box, std::int32_t on) {
  if (!box) return;
  box->set_value(on ? 1 : 0);
  if (auto* b = dynamic_cast<button_widget*>(box)) b->pressed = on ? 1 : 0;
  box->set_text(text(on ? "Enabled" : "Disabled"));
}

bool take(widget* w) { return w && w->take_event(ui_event::clicked); }

std::int32_t draw_seed() { return static_cast<std::int32_t>(terrain_seed_bits(random_next()) % terrain_seed_range); }

}  // namespace

terrain_gen_window::terrain_gen_window() = default;

terrain_gen_window::~terrain_gen_window() {
  if (g_terrain_generator.scene && preview.scene && g_terrain_generator.scene == preview.scene.get()) {
    g_terrain_generator.reset_terrain_generator();
    g_terrain_generator.scene = nullptr;
  }
}

std::int32_t& terrain_gen_window::seed(int i) {
  return i == 0 ? fields.terrain_seed : (i == 1 ? fields.river_seed : fields.flora_seed);
}

void terrain_gen_window::forget_widgets() {
  panel = nullptr;
  seed_buttons.fill(nullptr);
  seed_boxes.fill(nullptr);
  shade_occluded_box = place_river_box = disable_grass_box = deep_water_box = nullptr;
  size_x_slider = size_y_slider = hill_slider = valley_slider = ruggedness_slider = vegetation_slider = nullptr;
  region_list = detail_list = nullptr;
  generate = close = code_text = copy = paste = nullptr;
  view = nullptr;
  root = nullptr;
}

void terrain_gen_window::leave() {
  forget_widgets();
  // The generator keeps pointers into the preview's scene: they go with it.
  if (preview.scene && g_terrain_generator.scene == preview.scene.get()) {
    g_terrain_generator.reset_terrain_generator();
    g_terrain_generator.scene = nullptr;
  }
  preview.release();
  generated = false;
  top_level_window::leave();
}

void terrain_gen_window::build() {
  forget_widgets();
  pixel_shaders = g_resource_manager.pixel_shaders_in_use();
  g_terrain_generator.reset_terrain_generator();
  fields = terrain_fields{};
  for (int i = 0; i < 3; ++i) seed(i) = draw_seed();

  g_ui_manager.clear();
  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  root = r.get();
  auto p = std::make_unique<container>();
  p->set_position({0.5f, 0.0f});
  p->set_size({0.5f, 0.75f});
  put_mesh(*p, slot_background, "facegen_board");
  panel = r->add(std::move(p));
  container& pn = *panel;

  const char* seed_names[3] = {"Terrain seed:", "River seed:", "Flora seed:"};
  for (int i = 0; i < 3; ++i) {
    const float y = 0.66f - static_cast<float>(i) * row_step;
    add_label(pn, seed_names[i], 0.01f, y);
    seed_buttons[static_cast<std::size_t>(i)] = make_button(pn, text("randomize"), 0.16f, y, 0.03f, medium_button_look);
    auto box = std::make_unique<text_box>();
    put_mesh(*box, slot_up, "party_button", 0.5f, 0.5f);
    put_mesh(*box, slot_down, "party_button_down", 0.5f, 0.5f);
    box->set_position({0.30f, y});
    box->set_size({0.15f, 0.03f});
    box->set_text_position({0.0f, 0.009f});
    box->set_text_size({0.018f, 0.018f});
    box->set_colour(0xFFFFFFFFu);
    box->max_length = 12;
    seed_boxes[static_cast<std::size_t>(i)] = pn.add(std::move(box));
  }
  float y = 0.66f - 3.0f * row_step;
  shade_occluded_box = add_check_box(pn, "Shade occluded:", y);
  place_river_box = add_check_box(pn, "Place river:", y -= row_step);
  disable_grass_box = add_check_box(pn, "Disable grass:", y -= row_step);
  deep_water_box = add_check_box(pn, "Deep water:", y -= row_step);
  size_x_slider = add_slider_row(pn, "Size x", y -= row_step);
  size_y_slider = add_slider_row(pn, "Size y", y -= row_step);
  hill_slider = add_slider_row(pn, "Hill height", y -= row_step);
  valley_slider = add_slider_row(pn, "Valley", y -= row_step);
  ruggedness_slider = add_slider_row(pn, "Ruggedness", y -= row_step);
  vegetation_slider = add_slider_row(pn, "Vegetation", y -= row_step);
  region_list = add_list(pn, "Terrain:", y -= row_step);
  for (std::uint32_t region : terrain_list_regions) region_list->add_item(text(terrain_list_region_name(region)));
  detail_list = add_list(pn, "Polygon Size:", y -= row_step);
  for (const char* name : terrain_detail_names) detail_list->add_item(text(name));

  copy = make_button(pn, text("Copy"), 0.01f, 0.06f, 0.03f, short_button_look);
  paste = make_button(pn, text("Paste"), 0.12f, 0.06f, 0.03f, short_button_look);
  generate = make_button(pn, text("Generate Terrain"), 0.01f, 0.015f, 0.035f, medium_button_look);
  close = make_button(pn, text("Close"), 0.25f, 0.015f, 0.035f, medium_button_look);
  code_text = make_label(pn, text("key"), 0.01f, 0.705f, 0.48f, 0.03f);
  code_text->set_text_size({0.02f, 0.02f});
  code_text->set_colour(0xFFFFFFFFu);

  auto v = std::make_unique<mesh_view_widget>();
  v->set_position({0.0f, 0.0f});
  v->set_size({0.5f, 0.75f});
  view = r->add(std::move(v));
  preview.create(-200.0f, 200.0f, 6, 0.6981317f, 2.0f, 1000.0f);
  preview.clear_colour = 0xFF111133u;
  target_x = target_y = 0.0f;
  yaw = 0.0f;
  pitch = 1.0f;
  distance = 250.0f;

  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
  write_code();
  update_controls();
}

void terrain_gen_window::write_code() {
  write_terrain_fields(fields, g_terrain_generator.code);
  if (code_text) code_text->set_text(ruv_string(g_terrain_generator.code.to_string()));
}

void terrain_gen_window::read_code() {
  read_terrain_fields(g_terrain_generator.code, pixel_shaders, fields);
  update_controls();
}

void terrain_gen_window::update_controls() {
  set_check(shade_occluded_box, fields.shade_occluded);
  set_check(place_river_box, fields.place_river);
  set_check(disable_grass_box, fields.disable_grass);
  set_check(deep_water_box, fields.deep_water);
  if (region_list) region_list->set_value(terrain_list_index(fields.region_type));
  if (detail_list) detail_list->set_value(fields.region_detail);
  if (size_x_slider) size_x_slider->set_float_value(slider_from_size(fields.size_x));
  if (size_y_slider) size_y_slider->set_float_value(slider_from_size(fields.size_y));
  if (hill_slider) hill_slider->set_float_value(slider_from_hill(fields.hill_height));
  if (valley_slider) valley_slider->set_float_value(fields.valley);
  if (ruggedness_slider) ruggedness_slider->set_float_value(slider_from_ruggedness(fields.ruggedness));
  if (vegetation_slider) vegetation_slider->set_float_value(fields.vegetation);
  for (int i = 0; i < 3; ++i)
    if (widget* box = seed_boxes[static_cast<std::size_t>(i)]) box->set_text(ruv_string(std::to_string(seed(i))));
}

void terrain_gen_window::copy_code() {
  if (!code_text) return;
  ruv_string shown;
  code_text->get_text(shown);
  // A clipboard the host cannot open leaves things as they were.
  if (!platform::set_clipboard_text(shown.view())) log_line("Unable to copy the terrain code.\n");
}

void terrain_gen_window::paste_code() {
  std::string pasted;
  if (!platform::get_clipboard_text(pasted)) return;
  g_terrain_generator.code.parse(pasted);
  if (code_text) code_text->set_text(ruv_string(pasted));
  read_code();
}

void terrain_gen_window::generate_preview() {
  if (!preview.scene) return;
  scene_world& scene = *preview.scene;
  if (g_terrain_generator.scene == &scene) g_terrain_generator.scene = nullptr;
  scene.clear();
  scene.ambient_colour = color{0.2f, 0.2f, 0.3f, 1.0f};
  preview.add_light(vec3(0.9f, 0.9f, 0.9f), vec3(1.0f, 1.0f, 1.0f), vec3(-1000.0f, -1000.0f, 1000.0f), 20.0f,
                    vec3(1.0f, 1.0f, -1.0f));
  write_code();
  g_terrain_generator.generate_terrain(&scene);
  g_terrain_generator.add_features();
  g_terrain_generator.update_shadow_passes();
  generated = true;
  target_x = std::trunc(fields.size_x / 2.0f);
  target_y = std::trunc(fields.size_y / 2.0f);
}

bool terrain_gen_window::handle_one_control() {
  auto check = [&](widget* box, std::int32_t& field) {
    if (!take(box)) return false;
    // A click turns the box over; the field, not the button's own value, is
    // what a seed read back in the same frame leaves standing.
    field = field ? 0 : 1;
    set_check(box, field);
    write_code();
    return true;
  };
  auto slide = [&](slider* s, auto apply) {
    if (!s || !s->take_event(ui_event::clicked)) return false;
    apply(s->get_float_value());
    write_code();
    return true;
  };
  if (check(place_river_box, fields.place_river)) return true;
  if (check(deep_water_box, fields.deep_water)) return true;
  if (check(shade_occluded_box, fields.shade_occluded)) return true;
  if (check(disable_grass_box, fields.disable_grass)) return true;
  if (slide(size_x_slider, [&](float v) { fields.size_x = size_from_slider(v); })) return true;
  if (slide(size_y_slider, [&](float v) { fields.size_y = size_from_slider(v); })) return true;
  if (slide(hill_slider, [&](float v) { fields.hill_height = hill_from_slider(v); })) return true;
  if (slide(valley_slider, [&](float v) { fields.valley = v; })) return true;
  if (slide(ruggedness_slider, [&](float v) { fields.ruggedness = ruggedness_from_slider(v); })) return true;
  if (slide(vegetation_slider, [&](float v) { fields.vegetation = v; })) return true;
  if (take(region_list)) {
    const int i = region_list->get_value();
    if (i >= 0 && i < static_cast<int>(terrain_list_regions.size()))
      fields.region_type = static_cast<std::int32_t>(terrain_list_regions[static_cast<std::size_t>(i)]);
    write_code();
    return true;
  }
  if (take(detail_list)) {
    fields.region_detail = std::clamp(detail_list->get_value(), 0, static_cast<int>(terrain_detail_names.size()) - 1);
    write_code();
    return true;
  }
  if (take(copy)) {
    copy_code();
    return true;
  }
  if (take(paste)) {
    paste_code();
    return true;
  }
  return false;
}

void terrain_gen_window::move_camera(float seconds) {
  const input_state& in = g_input_state;
  if (in.is_key_down(key_numpad_5)) pitch -= key_pitch_speed * seconds;
  if (in.is_key_down(key_numpad_2)) pitch += key_pitch_speed * seconds;
  if (in.is_key_down(key_numpad_plus)) distance *= 1.0f - key_zoom_speed * seconds;
  if (in.is_key_down(key_numpad_minus)) distance *= 1.0f + key_zoom_speed * seconds;
  // The letters pan only while no text box takes the typing.
  if (!g_ui_manager.capturing_widget) {
    const float side_x = std::cos(yaw), side_y = -std::sin(yaw);
    const float ahead_x = std::sin(yaw), ahead_y = std::cos(yaw);
    const float step = pan_speed * seconds;
    if (in.is_key_down(key_d)) target_x += side_x * step, target_y += side_y * step;
    if (in.is_key_down(key_a)) target_x -= side_x * step, target_y -= side_y * step;
    if (in.is_key_down(key_w)) target_x += ahead_x * step, target_y += ahead_y * step;
    if (in.is_key_down(key_s)) target_x -= ahead_x * step, target_y -= ahead_y * step;
  }
  target_x = std::clamp(target_x, 0.0f, target_max);
  target_y = std::clamp(target_y, 0.0f, target_max);
  if (g_ui_manager.mouse_position.x < 0.5f) {
    // Mouse counts are turned per second of the frame, as the face
    // generator's preview turns, so a turn does not depend on the frame rate.
    if (in.is_key_down(mouse_right)) {
      yaw += in.mouse_dx * seconds * mouse_turn_speed;
      pitch -= in.mouse_dy * seconds * mouse_turn_speed;
    }
    if (in.is_key_down(mouse_left)) distance *= 1.0f + in.mouse_dy * seconds * mouse_zoom_speed;
  }
  pitch = std::clamp(pitch, pitch_min, pitch_max);
  distance = std::clamp(distance, distance_min, distance_max);

  if (!preview.scene) return;
  preview.scene->update_entities(seconds);
  // Looking down by pitch towards the target, turned by yaw; the camera's
  // axes are right, up and backwards.
  const vec3 ahead(std::sin(yaw) * std::cos(pitch), std::cos(yaw) * std::cos(pitch), -std::sin(pitch));
  const vec3 backwards = vec3(0.0f, 0.0f, 0.0f) - ahead;
  const vec3 right(std::cos(yaw), -std::sin(yaw), 0.0f);
  camera& eye = preview.eye;
  eye.frame.rot.s = right;
  eye.frame.rot.u = backwards;
  eye.frame.rot.f = cross_product(backwards, right);
  eye.frame.origin = vec3(target_x, target_y, 0.0f) + backwards * distance;
  eye.update_frustum_planes();
  if (view) view->view_camera = eye;
}

void terrain_gen_window::frame(float seconds) {
  for (int i = 0; i < 3; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (take(seed_buttons[k])) {
      seed(i) = draw_seed();
      if (seed_boxes[k]) seed_boxes[k]->set_text(ruv_string(std::to_string(seed(i))));
      write_code();
    }
    if (take(seed_boxes[k])) {
      write_code();
      ruv_string typed;
      seed_boxes[k]->get_text(typed);
      std::int64_t value = 0;
      if (parse_seed_text(typed.view(), value)) {
        // Cut to the seed's 31 bits: a negative number must not reach its
        // neighbours' bits.
        const std::uint32_t bits = terrain_seed_bits(value);
        if (i == 0) g_terrain_generator.code.set_terrain_seed(bits);
        if (i == 1) g_terrain_generator.code.set_river_seed(bits);
        if (i == 2) g_terrain_generator.code.set_flora_seed(bits);
      }
      read_code();
      if (code_text) code_text->set_text(ruv_string(g_terrain_generator.code.to_string()));
    }
  }
  handle_one_control();
  if (take(generate)) generate_preview();
  move_camera(seconds);
  if (take(close) || g_input_state.is_key_clicked(key_tab)) g_window_manager.set_window(return_window);
}

void terrain_gen_window::queue_scene(std::uint32_t width, std::uint32_t height) {
  if (view && generated) preview.queue(*view, width, height);
}

bool open_terrain_generator(std::int32_t return_id) {
  game_window* w = g_window_manager.window(window_id::terrain_generator);
  if (!dynamic_cast<terrain_gen_window*>(w)) return false;
  w->return_window = return_id;
  return g_window_manager.set_window(window_id::terrain_generator);
}

}  // namespace hm
