#include "ui/face/face_gen_window.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/app/input_state.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/ruv_config.h"
#include "module/loading/game.h"
#include "module/media/face_code_text.h"
#include "module/text/translation_table.h"
#include "platform/window.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"
#include "script/script_host.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/front_menus.h"
#include "ui/widget/container.h"
#include "ui/widget/mesh_builders.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

// Key codes of the input state.
constexpr int key_e = 18;
constexpr int key_v = 47;
constexpr int key_left_ctrl = 29;
constexpr int key_right_ctrl = 157;
constexpr int key_numpad_minus = 74;
constexpr int key_numpad_5 = 76;
constexpr int key_numpad_plus = 78;
constexpr int key_numpad_2 = 80;
constexpr int mouse_left = 224;
constexpr int mouse_right = 225;

// The preview's limits and speeds.
constexpr float pitch_limit = 0.6519978f;
constexpr float min_distance = 0.3f;
constexpr float max_distance = 2.0f;
constexpr float key_pitch_speed = 1.1f;
constexpr float key_distance_speed = 2.1f;
constexpr float mouse_turn_speed = 1.7f;
constexpr float quarter_turn = 1.5707964f;
// The wheel's scroll step of the key sliders, a share of the bar per count.
constexpr float wheel_scroll_step = 0.0005f;

// The row pitch of the key sliders when the module gives none.
constexpr float default_key_pitch = 0.04f;
// The module's menu that follows the creation of a new character.
constexpr std::int32_t creation_menu = 1;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

bool ctrl_down() { return g_input_state.is_key_down(key_left_ctrl) || g_input_state.is_key_down(key_right_ctrl); }

// The label of a morph key: the translation of its id, else its own name.
ruv_string key_name(const skin& s, int i) {
  if (i < 0 || i >= static_cast<int>(s.face_keys.size())) return ruv_string("error");
  const morph_key& k = s.face_keys[static_cast<std::size_t>(i)];
  if (const ruv_string* t = g_translation_table.find_translation(k.id.view())) return *t;
  return k.name;
}

void put_mesh(widget& w, int slot, const char* name) {
  if (auto m = g_ui_manager.resource_mesh_copy(name)) w.set_mesh(slot, std::move(m));
}

slider* add_slider(container& parent, const char* layout_name, float x, float y) {
  auto s = std::make_unique<slider>();
  put_mesh(*s, slot_background, "slider_hor");
  put_mesh(*s, slot_up, "handle_hor");
  s->set_position({x, y});
  s->set_size({0.25f, 0.025f});
  read_widget_layout(*s, layout_name);
  s->float_min = 0.0f;
  s->float_max = 1.0f;
  s->set_float_value(0.5f);
  return parent.add(std::move(s));
}

widget* add_label(container& parent, const ruv_string& text, const char* layout_name, float x, float y) {
  auto t = std::make_unique<text_widget>();
  t->set_position({x, y});
  t->set_size({0.2f, 0.03f});
  t->set_text_size({0.02f, 0.02f});
  t->set_colour(0xFFFFFFFFu);
  read_widget_layout(*t, layout_name);
  t->set_text(text);
  return parent.add(std::move(t));
}

widget* add_arrow(container& parent, bool right, const char* layout_name, float x, float y) {
  auto b = std::make_unique<image_button>();
  put_mesh(*b, slot_up, right ? "right_arrow" : "left_arrow");
  put_mesh(*b, slot_down, right ? "right_arrow_down" : "left_arrow_down");
  put_mesh(*b, slot_hover, right ? "right_arrow_hl" : "left_arrow_hl");
  b->set_position({x, y});
  b->set_size({0.03f, 0.03f});
  b->set_text_size({0.02f, 0.02f});
  read_widget_layout(*b, layout_name);
  // Without the arrow meshes the button still reads.
  if (!b->meshes[slot_up]) b->set_text(ruv_string(right ? ">" : "<"));
  return parent.add(std::move(b));
}

widget* add_medium(container& parent, const char* label_key, const char* layout_name, float x, float y) {
  widget* b = make_button(parent, tr(label_key), x, y, 0.04f, medium_button_look);
  if (b) read_widget_layout(*b, layout_name);
  return b;
}

bool take_click(widget* w) { return w && w->take_event(ui_event::clicked); }

}  // namespace

face_gen_window::face_gen_window() = default;

face_gen_window::~face_gen_window() = default;

void face_gen_window::set_target(std::int32_t troop_id, std::int32_t return_id) {
  troop = troop_id;
  return_window = return_id;
}

void face_gen_window::forget_widgets() {
  deform_panel = button_panel = nullptr;
  deform_container = nullptr;
  code_text = nullptr;
  key_sliders.clear();
  key_labels.clear();
  next_beard = next_hair = next_face = nullptr;
  previous_beard_button = previous_hair_button = previous_face_button = nullptr;
  beard_label = hair_label = face_label = nullptr;
  age_slider = hair_colour_slider = nullptr;
  done = reset = randomise = nullptr;
  face_view = nullptr;
  root = nullptr;
}

void face_gen_window::leave() {
  forget_widgets();
  face_entity = nullptr;
  preview.release();
  top_level_window::leave();
}

face_state face_gen_window::current_face() const {
  if (!editable) return face_state{};
  const skin& s = g_skins.skins[static_cast<std::size_t>(skin_index)];
  return face_state_from_selection(selection, keys, age, hair_colour, skin_index, face_counts_of(s));
}

void face_gen_window::build() {
  age = hair_colour = 0.5f;
  selection = {};
  dragging = false;
  yaw = -0.3f;
  pitch = -0.05f;
  distance = 0.7f;
  // A skin index that names no skin would read past the table: the troop's
  // four bits are held within the skins there are, and with none there is
  // nothing to edit.
  editable = g_skins.count() > 0;
  std::uint64_t flags = 0;
  if (g_game && troop >= 0 && troop < g_game->troop_count()) flags = g_game->troops[static_cast<std::size_t>(troop)].flags;
  skin_index = face_skin_index(flags, g_skins.count());
  std::fill(std::begin(keys), std::end(keys), 0.5f);

  forget_widgets();
  g_ui_manager.clear();
  code_shown = false;

  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  put_mesh(*r, slot_background, "face_gen_window");
  r->set_colour(0xFFFFFFFFu);
  root = r.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));

  if (!editable) log_line("The module has no skins: the face generator has nothing to edit.\n");
  const skin* s = editable ? &g_skins.skins[static_cast<std::size_t>(skin_index)] : nullptr;
  const face_skin_counts counts = s ? face_counts_of(*s) : face_skin_counts{};

  const float key_pitch =
      has_layout_variable("face_deform_key_h") ? get_layout_variable_float("face_deform_key_h") : default_key_pitch;

  auto deform = std::make_unique<container>();
  deform->set_size({0.4f, 0.05f});
  read_widget_layout(*deform, "face_bo_deform");
  auto buttons = std::make_unique<container>();
  buttons->set_position({0.55f, 0.0f});
  buttons->set_size({0.45f, 0.75f});
  read_widget_layout(*buttons, "face_bo_button");
  button_panel = root->add(std::move(buttons));

  // One slider per key but the skin's last, which always takes full weight.
  const int slider_count = std::clamp(counts.keys - 1, 0, face_morph_slots - 1);
  for (int i = 0; i < slider_count; ++i) {
    const float drop = static_cast<float>(i) * key_pitch;
    slider* k = add_slider(*deform, "face_sl_deform_key_base", 0.2f, 0.0f);
    k->set_position({k->local_position.x, k->local_position.y - drop});
    widget* label = add_label(*deform, s ? key_name(*s, i) : ruv_string("error"), "face_t_deform_key_base", 0.0f, 0.0f);
    label->set_position({label->local_position.x, label->local_position.y - drop});
    key_sliders.push_back(k);
    key_labels.push_back(label);
  }
  // The rows hang below the panel's top: lift them into the panel.
  const float rows_height = static_cast<float>(slider_count) * key_pitch + 0.04f;
  for (auto& child : deform->children) child->set_position({child->local_position.x, child->local_position.y + rows_height - 0.04f});
  deform->set_size({deform->size.x, std::max(deform->size.y, rows_height)});

  auto scroll = std::make_unique<scrollable_container>();
  scroll->set_position({0.55f, 0.06f});
  read_widget_layout(*scroll, "face_sc_deform");
  scroll->set_view_size({0.42f, 0.3f});
  if (has_layout_variable("face_sc_deform_size_x"))
    scroll->set_view_size({get_layout_variable_float("face_sc_deform_size_x"),
                           get_layout_variable_float("face_sc_deform_size_y")});
  auto bar = std::make_unique<scrollbar>();
  put_mesh(*bar, slot_background, "scrollbar");
  put_mesh(*bar, slot_up, "scrollbar_handle");
  bar->axis = 1;
  read_widget_layout(*bar, "face_s_deform");
  scroll->set_scrollbar(1, std::move(bar));
  deform_panel = scroll->content->add(std::move(deform));
  scroll->update_layout();
  scroll->update_scrollbars();
  deform_container = root->add(std::move(scroll));

  if (g_ruv_config.enable_edit_mode) {
    code_text = make_button5(*root, ruv_string("key"), 0.5f, 0.72f, 0.45f, 0.03f);
    if (code_text) {
      code_text->set_text_size({0.028f, 0.028f});
      code_text->hide();
    }
  }

  container& bp = *button_panel;
  next_face = add_arrow(bp, true, "face_b_next_face", 0.3f, 0.65f);
  next_beard = add_arrow(bp, true, "face_b_next_beard", 0.3f, 0.6f);
  next_hair = add_arrow(bp, true, "face_b_next_hair", 0.3f, 0.55f);
  previous_face_button = add_arrow(bp, false, "face_b_prev_face", 0.0f, 0.65f);
  previous_beard_button = add_arrow(bp, false, "face_b_prev_beard", 0.0f, 0.6f);
  previous_hair_button = add_arrow(bp, false, "face_b_prev_hair", 0.0f, 0.55f);
  beard_label = add_label(bp, tr("ui_change_beard"), "face_t_change_beard", 0.05f, 0.6f);
  face_label = add_label(bp, tr("ui_change_skin"), "face_t_change_face", 0.05f, 0.65f);
  hair_label = add_label(bp, tr("ui_change_hair"), "face_t_change_hair", 0.05f, 0.55f);
  age_slider = add_slider(bp, "face_sl_age", 0.15f, 0.48f);
  add_label(bp, tr("ui_age"), "face_t_age", 0.0f, 0.48f);
  hair_colour_slider = add_slider(bp, "face_sl_hair_color", 0.15f, 0.43f);
  add_label(bp, tr("ui_change_hair_color"), "face_t_hair_color", 0.0f, 0.43f);
  if (counts.beards == 0) {
    next_beard->hide();
    previous_beard_button->hide();
    beard_label->hide();
  }
  if (!editable) {
    for (widget* w : {next_face, next_beard, next_hair, previous_face_button, previous_beard_button,
                      previous_hair_button, beard_label, face_label, hair_label, static_cast<widget*>(age_slider),
                      static_cast<widget*>(hair_colour_slider)})
      w->hide();
  }

  randomise = add_medium(*root, "ui_randomize", "face_b_randomize", 0.55f, 0.02f);
  reset = add_medium(*root, "ui_reset", "face_b_reset", 0.70f, 0.02f);
  done = add_medium(*root, "ui_done", "face_b_done", 0.85f, 0.02f);
  if (!editable) {
    if (randomise) randomise->hide();
    if (reset) reset->hide();
  }

  auto view = std::make_unique<mesh_view_widget>();
  view->set_position({0.05125f, 0.266875f});
  view->set_size({0.45875f, 0.44f});
  face_view = root->add(std::move(view));
  if (editable) build_preview();

  if (editable && g_game && troop >= 0 && troop < g_game->troop_count()) {
    const skin& sk = g_skins.skins[static_cast<std::size_t>(skin_index)];
    face_code words{};
    std::copy(g_game->troops[static_cast<std::size_t>(troop)].face_code_1.begin(),
              g_game->troops[static_cast<std::size_t>(troop)].face_code_1.end(), words.begin());
    const face_state f = decode_face_code(words, sk, skin_index);
    selection.hair = f.hair + 1;
    selection.beard = f.beard + 1;
    selection.face = f.face_texture;
    selection.variant = f.hair_material;
    age = f.age;
    hair_colour = f.hair_color;
    const int coded = std::min(static_cast<int>(sk.face_keys.size()), face_code_keys);
    for (int i = 0; i < coded; ++i) keys[i] = f.morph_weights[i];
  }
  set_sliders_from_keys();
  face_code_text();
}

void face_gen_window::build_preview() {
  preview.create(-80.0f, 80.0f, 1, 0.6108652f, 0.01f, 20.0f);
  preview.clear_colour = 0xFF201815u;
  preview.scene->ambient_colour = color{0.3f, 0.3f, 0.3f, 1.0f};
  preview.add_light(vec3(0.1f, 0.15f, 0.2f), vec3(0.2f, 0.2f, 0.2f), vec3(-2.0f, -2.0f, 12.0f), 20.0f,
                    vec3(-0.5f, 0.0f, -1.0f));
  preview.add_light(vec3(1.0f, 1.0f, 1.0f), vec3(1.0f, 1.0f, 1.0f), vec3(-2.0f, -2.0f, 2.0f), 20.0f,
                    vec3(1.0f, 1.0f, -1.0f));
  face_entity = preview.scene->create_entity(mesh_entity_type);
}

void face_gen_window::set_sliders_from_keys() {
  for (std::size_t i = 0; i < key_sliders.size(); ++i) key_sliders[i]->set_float_value(keys[i]);
  if (age_slider) age_slider->set_float_value(age);
  if (hair_colour_slider) hair_colour_slider->set_float_value(hair_colour);
}

void face_gen_window::face_code_text() {
  for (std::size_t i = 0; i < key_sliders.size(); ++i) keys[i] = key_sliders[i]->get_float_value();
  if (age_slider) age = age_slider->get_float_value();
  if (hair_colour_slider) hair_colour = hair_colour_slider->get_float_value();
  if (!editable) {
    code = face_code{};
  } else {
    const skin& s = g_skins.skins[static_cast<std::size_t>(skin_index)];
    reduce_selection(selection, face_counts_of(s));
    const face_state f = current_face();
    if (face_entity) {
      face_entity->clear_meshes();
      skin_face built = build_skin_face(s, f, true, g_resource_manager.pixel_shaders_in_use());
      if (built.head) face_entity->add_mesh(std::move(built.head));
      if (built.beard) face_entity->add_mesh(std::move(built.beard));
      if (built.hair) face_entity->add_mesh(std::move(built.hair));
      face_entity->compute_local_bounds();
    }
    code = encode_face_code(f, s);
  }
  code_digits = face_code_digits_text(code);
  if (code_text) code_text->set_text(ruv_string(face_code_display_text(code)));
}

void face_gen_window::handle_code_keys() {
  if (!g_ruv_config.enable_edit_mode) return;
  if (ctrl_down() && g_input_state.is_key_clicked(key_e)) {
    code_shown = !code_shown;
    if (code_text) {
      if (code_shown)
        code_text->show();
      else
        code_text->hide();
    }
  }
  if (!code_shown || !code_text) return;
  if (take_click(code_text)) {
    // A refused copy (the host's clipboard busy) leaves things as they were.
    if (!platform::set_clipboard_text(face_code_clipboard_text(code))) log_line("Unable to copy the face code.\n");
  }
  if (editable && ctrl_down() && g_input_state.is_key_clicked(key_v)) {
    std::string text;
    face_code pasted{};
    if (!platform::get_clipboard_text(text) || !parse_face_code(text, pasted)) {
      g_ui_manager.post_overlay_buffer(tr("ui_face_code_refused"), 0xFFFF4040u);
      return;
    }
    const skin& s = g_skins.skins[static_cast<std::size_t>(skin_index)];
    const face_state f = decode_face_code(pasted, s, skin_index);
    selection.hair = f.hair + 1;
    selection.beard = f.beard + 1;
    selection.face = f.face_texture;
    selection.variant = f.hair_material;
    age = f.age;
    hair_colour = f.hair_color;
    const int coded = std::min(static_cast<int>(s.face_keys.size()), face_code_keys);
    for (int i = 0; i < coded; ++i) keys[i] = f.morph_weights[i];
    set_sliders_from_keys();
    face_code_text();
  }
}

void face_gen_window::turn_preview(float seconds) {
  if (g_input_state.is_key_down(key_numpad_5)) pitch -= key_pitch_speed * seconds;
  if (g_input_state.is_key_down(key_numpad_2)) pitch += key_pitch_speed * seconds;
  if (g_input_state.is_key_down(key_numpad_plus)) distance -= key_distance_speed * seconds;
  if (g_input_state.is_key_down(key_numpad_minus)) distance += key_distance_speed * seconds;
  if (face_view && g_input_state.is_key_clicked(mouse_left) && face_view->contains(g_ui_manager.mouse_position))
    dragging = true;
  if (!g_input_state.is_key_down(mouse_left)) dragging = false;
  if (dragging || g_input_state.is_key_down(mouse_right)) {
    yaw += g_input_state.mouse_dx * seconds * mouse_turn_speed;
    pitch -= g_input_state.mouse_dy * seconds * mouse_turn_speed;
  }
  pitch = std::clamp(pitch, -pitch_limit, pitch_limit);
  distance = std::clamp(distance, min_distance, max_distance);
  if (!face_entity || !preview.scene) return;
  // The head turns about its own middle, which stands at the scene's origin;
  // the camera looks at it from the distance.
  const vec3 middle = face_entity->compute_local_bounds();
  hm::frame f = hm::frame::identity();
  f.rotate_z(yaw);
  f.rotate_x(-pitch);
  f.origin = vec3(0.0f, 0.0f, 0.0f) - f.rotate_vector_to_global(middle);
  face_entity->frame = f;
  face_entity->refresh_world_bounds();
  preview.scene->update_entities(seconds);
  camera& eye = preview.eye;
  eye.frame.rot.s = vec3(-1.0f, 0.0f, 0.0f);
  eye.frame.rot.f = vec3(0.0f, 0.0f, 1.0f);
  eye.frame.rot.u = vec3(0.0f, 1.0f, 0.0f);
  eye.frame.origin = vec3(0.0f, distance, 0.0f);
  eye.update_frustum_planes();
  if (face_view) face_view->view_camera = eye;
}

void face_gen_window::finish() {
  if (g_game && troop >= 0 && troop < g_game->troop_count()) {
    g_game->troops[static_cast<std::size_t>(troop)].face_code_1 = code;
  }
  if (state_word == face_gen_state::creation_running) {
    state_word = face_gen_state::creation_done;
    if (script_campaign_host* c = current_script_host().campaign) c->game_words().current_menu = creation_menu;
    if (game_window* menu = g_window_manager.window(window_id::game_menu)) menu->return_window = window_id::world_map;
    g_window_manager.set_window(window_id::game_menu);
    return;
  }
  g_window_manager.set_window(return_window);
}

void face_gen_window::frame(float seconds) {
  handle_code_keys();
  const skin* s = editable ? &g_skins.skins[static_cast<std::size_t>(skin_index)] : nullptr;
  const face_skin_counts counts = s ? face_counts_of(*s) : face_skin_counts{};
  bool changed = false;

  if (g_input_state.mouse_dz != 0.0f && deform_container && deform_container->scroll_bars[1]) {
    scrollbar& bar = *deform_container->scroll_bars[1];
    const float range = bar.float_max - bar.float_min;
    bar.set_float_value(std::clamp(bar.get_float_value() - g_input_state.mouse_dz * wheel_scroll_step * range,
                                   bar.float_min, bar.float_max));
    bar.raise_event(ui_event::clicked);
  }

  if (s) {
    for (std::size_t i = 0; i < key_sliders.size(); ++i) {
      if (!key_sliders[i]->take_event(ui_event::clicked)) continue;
      keys[i] = key_sliders[i]->get_float_value();
      s->apply_face_key_constraints(static_cast<int>(i), keys);
      set_sliders_from_keys();
      changed = true;
    }
    if (take_click(next_beard)) ++selection.beard, changed = true;
    if (take_click(next_hair)) ++selection.hair, changed = true;
    if (take_click(next_face)) ++selection.face, changed = true;
    if (take_click(previous_beard_button)) previous_beard(selection, counts), changed = true;
    if (take_click(previous_hair_button)) previous_hair(selection, counts), changed = true;
    if (take_click(previous_face_button)) previous_face(selection, counts), changed = true;
    if (age_slider && age_slider->take_event(ui_event::clicked)) changed = true;
    if (hair_colour_slider && hair_colour_slider->take_event(ui_event::clicked)) changed = true;
    if (take_click(randomise)) {
      randomize_face_selection(selection, keys, hair_colour, *s, counts, [] { return random_next(); });
      set_sliders_from_keys();
      changed = true;
    }
    if (take_click(reset)) {
      reset_face_keys(keys, *s);
      set_sliders_from_keys();
      changed = true;
    }
    reduce_selection(selection, counts);
    if (changed) face_code_text();
  }
  turn_preview(seconds);

  if (state_word == face_gen_state::creation_pending) {
    state_word = face_gen_state::creation_running;
    if (message_box_window* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box))) {
      box->mode = 0;
      box->title = tr("ui_tutorial");
      box->text = tr("ui_tutorial_face_generator");
      box->first_answer = ruv_string();
      box->second_answer = ruv_string();
      box->answer_target = nullptr;
      box->result_text = nullptr;
      box->has_text_field = false;
      g_window_manager.push_window(window_id::message_box);
    }
    return;
  }
  if (take_click(done)) finish();
}

bool open_face_generator(std::int32_t troop_id, std::int32_t return_id) {
  auto* w = dynamic_cast<face_gen_window*>(g_window_manager.window(window_id::face_gen));
  if (!w) return false;
  w->set_target(troop_id, return_id);
  return g_window_manager.set_window(window_id::face_gen);
}

void face_gen_window::queue_scene(std::uint32_t width, std::uint32_t height) {
  if (face_view && face_entity) preview.queue(*face_view, width, height);
}

}  // namespace hm
