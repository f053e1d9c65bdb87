#include "editor/scene_editor.h"

#include <algorithm>
#include <cmath>

#include "editor/brushes/ground_brush.h"
#include "editor/scene_file/scene_edit_save.h"
#include "editor/selection/object_selection.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/resource/mesh.h"
#include "render/entity/entity.h"
#include "engine/core/stream.h"
#include "mission/props/prop_entity.h"
#include "mission/records/mission.h"
#include "mission/screen/mission_screen_window.h"
#include "module/base/module_paths.h"
#include "module/data/data_files.h"
#include "module/data/flora_kind.h"
#include "module/loading/game.h"
#include "platform/fs.h"
#include "render/scene/scene_objects.h"
#include "render/terrain/terrain_generator.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/mesh_builders.h"
#include "ui/windows/game_window.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr int right_button = platform::mouse_button_first + 1;
constexpr int middle_button = platform::mouse_button_first + 2;
constexpr float hover_period = 0.05f;
constexpr float list_repeat_delay = 0.35f;

float random_scale_factor() { return static_cast<float>(random_next() % 15817) * 4.7417336e-05f + 0.75f; }
float random_turn() { return static_cast<float>(random_next() % 15817) * 0.00039724255f; }

// A plant kind's variation for a new plant: 0 for a kind with fewer than two
// (or an unknown kind).
std::int32_t random_plant_variation(std::int32_t kind) {
  if (kind < 0 || kind >= static_cast<std::int32_t>(g_flora_kinds.size())) return 0;
  const auto count = static_cast<int>(g_flora_kinds[static_cast<std::size_t>(kind)].variants.size());
  return count < 2 ? 0 : random_next() % count;
}

bool terrain_present() { return g_terrain_generator.cells_x > 0 && g_terrain_generator.cells_y > 0; }

brush_cell_grid terrain_cells() {
  const terrain_generator& t = g_terrain_generator;
  brush_cell_grid g;
  g.count_x = t.vertex_count_x();
  g.count_y = t.vertex_count_y();
  g.cell_size = t.cell_size;
  g.positions.reserve(static_cast<std::size_t>(g.count_x) * static_cast<std::size_t>(g.count_y));
  for (std::int32_t x = 0; x < g.count_x; ++x) {
    for (std::int32_t y = 0; y < g.count_y; ++y) g.positions.push_back(t.vertex(x, y).position);
  }
  return g;
}

}  // namespace

scene_editor::scene_editor() = default;
scene_editor::~scene_editor() { dialog.close(); }

std::string scene_editor::text(const char* key) const {
  return host_ ? host_->text(key) : std::string(key);
}

bool scene_editor::scene_file_of(const mission& m, std::string& path, std::string& id) {
  if (!g_game || m.scene_index < 0 || m.scene_index >= g_game->scene_count()) return false;
  id = g_game->scenes[static_cast<std::size_t>(m.scene_index)]->id.c_str();
  path = module_file_path(get_scene_objects_path(id.c_str()));
  return true;
}

// --- entering and leaving --------------------------------------------------------------------------

void scene_editor::enter(mission& m, edit_mode_view& view) {
  mission_ = &m;
  screen_ = &view.state;
  host_ = view.host;
  state.edit_mode_active = 1;
  state.hide_overlays = 0;
  state.selected_instance = -1;
  state.selection.clear();
  state.scene_changed = 0;
  hovered_instance = -1;
  selection_dirty = true;
  load_ground_paint(m);
  dialog.ground_layer_names.clear();
  for (int i = 0; i + 2 < paint.layer_count; ++i) {
    dialog.ground_layer_names.push_back(paint.layers[static_cast<std::size_t>(i)].name.c_str());
  }
  state.paint_layer = 0;
  dialog.fill_object_kind_list(state);
  if (ai_tools_) ai_tools_->enter(m, state);
  log_line("Scene edit mode entered.\n");
}

void scene_editor::leave(mission& m, edit_mode_view& view) {
  screen_ = &view.state;
  host_ = view.host;
  leave_now(m);
}

void scene_editor::leave_now(mission& m) {
  state.edit_mode_active = 0;
  state.add_object_mode = 0;
  state.object_class = state.object_kind = state.preview_class = state.preview_kind = -1;
  if (screen_) screen_->game.edit_mode = 0;
  if (ai_tools_) ai_tools_->leave(m, state);
  if (host_) host_->show_overlay({}, 0.5f, 0.5f);
  if (!state.scene_changed || !screen_) return;
  state.scene_changed = 0;
  screen_->game.scene_save_answer = save_answer_pending;
  if (auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box))) {
    box->title = ruv_string();
    box->text = ruv_string(text("ui_question_save_changes"));
    box->first_answer = ruv_string(text("ui_yes_save"));
    box->second_answer = ruv_string(text("ui_no_discard_changes"));
    box->answer_target = &screen_->game.scene_save_answer;
    box->mode = 1;
  }
  if (host_) host_->push_window(window_id::message_box);
  else g_window_manager.push_window(window_id::message_box);
}

bool scene_editor::save(mission& m) {
  std::string path;
  std::string id;
  if (!scene_file_of(m, path, id)) return false;
  std::string section;
  const bool new_section = ai_tools_ && ai_tools_->store(m, section);
  const bool saved = save_scene_edit(m, path, id.c_str(), paint_loaded && paint_changed ? &paint : nullptr,
                                     new_section ? &section : nullptr);
  if (saved) {
    paint_changed = false;
    log_line("Scene saved to " + path + "\n");
  } else {
    // The edit stays in the mission: leaving again asks again.
    state.scene_changed = 1;
  }
  return saved;
}

// --- the dialog ------------------------------------------------------------------------------------

void scene_editor::update_dialog() {
  if (!state.edit_mode_active || !mission_) {
    if (dialog.is_open()) dialog.close();
    state.edit_dialog_shown = 0;
    return;
  }
  mission& m = *mission_;
  if (!state.edit_dialog_shown) {
    if (!dialog.open(m, state)) return;
    state.edit_dialog_shown = 1;
    refresh_selected(m);
  }
  edit_mode_dialog_actions act;
  act.leave = [this, &m] { leave_now(m); };
  act.clear_ground = [this] { clear_ground_paint(); };
  act.return_focus = [this, &m] {
    selection_dirty = true;
    refresh_selected(m);
  };
  act.fly_to = [this, &m](std::int32_t index) {
    const scene_prop_instance* p = m.get_scene_prop_instance(index);
    if (!p || !screen_) return;
    edit_camera_words& e = screen_->game.edit_camera;
    vec3 back = e.position - p->current_frame.origin;
    back.z = 0.0f;
    if (back.normalize() < 1e-6f) back = vec3(0.0f, -1.0f, 0.0f);
    e.glide_target = p->current_frame.origin + back * 4.0f + vec3(0.0f, 0.0f, 2.0f);
    e.glide_seconds = 2.0f;
    e.glide_timer.reset();
  };
  act.instance_changed = [this, &m](std::int32_t) { refresh_selected(m); };
  act.text = [this](const char* key) { return text(key); };
  const std::uint32_t before = state.add_object_mode;
  if (!dialog.frame(m, state, ai_tools_, act) && state.edit_mode_active) leave_now(m);
  if (before && !state.add_object_mode) refresh_selected(m);
  state.scene_list_dirty = 0;
}

void scene_editor::close_dialog() {
  dialog.close();
  state.edit_dialog_shown = 0;
  mission_ = nullptr;
}

void scene_editor::refresh_selected(const mission& m) {
  dialog.refresh_selected_object(m, state, preview_frame.origin, [this](const char* key) { return text(key); });
}

// --- the frame -------------------------------------------------------------------------------------

void scene_editor::frame(mission& m, edit_mode_view& view) {
  mission_ = &m;
  screen_ = &view.state;
  host_ = view.host;
  const screen_input& in = view.input;
  if (in.key_clicked(platform::key::h)) state.hide_overlays = state.hide_overlays ? 0 : 1;
  switch (state.edit_sub_mode) {
    case edit_sub_mode::ground_texture:
    case edit_sub_mode::ground_elevate:
    case edit_sub_mode::ground_colour:
      ground_brush_frame(m, view);
      break;
    case edit_sub_mode::ai_mesh:
      if (ai_tools_) ai_tools_->frame(m, state, view);
      break;
    case edit_sub_mode::objects:
      if (state.hide_overlays) return;
      if (in.key_clicked(platform::key::space)) {
        state.add_object_mode = 1 - state.add_object_mode;
        state.add_object_scale = vec3(1.0f, 1.0f, 1.0f);
        state.add_object_height = 0.0f;
        if (!state.add_object_mode) refresh_selected(m);
      }
      if (state.add_object_mode || state.place_at_stored_frame) add_object_frame(m, view);
      else edit_objects_frame(m, view);
      break;
    default:
      break;
  }
  if (state.edit_sub_mode == edit_sub_mode::objects && !state.add_object_mode &&
      hover_timer_.elapsed() > hover_period) {
    hover_pick(m, view);
    hover_timer_.reset();
  }
  if (hovered_instance == -1 && host_) host_->show_overlay({}, 0.5f, 0.5f);
}

void scene_editor::mouse_ray(const edit_mode_view& view, vec3& from, vec3& direction) const {
  vec3 to;
  if (view.view) {
    view.view->get_mouse_ray(from, to);
  } else {
    const hm::frame& c = view.state.cam.camera;
    from = c.origin;
    to = c.origin - c.rot.u * 1000.0f;
  }
  direction = to - from;
  if (direction.normalize() < 1e-10f) direction = vec3(0.0f, 1.0f, 0.0f);
}

void scene_editor::hover_pick(mission& m, edit_mode_view& view) {
  if (state.hide_overlays) {
    if (host_) host_->show_overlay({}, 0.5f, 0.23f);
    return;
  }
  vec3 from;
  vec3 direction;
  mouse_ray(view, from, direction);
  hovered_instance = pick_instance(m, from, direction);
  if (!host_) return;
  std::vector<overlay_line> lines;
  if (const scene_prop_instance* p = m.get_scene_prop_instance(hovered_instance)) {
    const bool primary = hovered_instance == state.selected_instance;
    const std::uint32_t colour = primary ? 0xFFAAAAFFu : 0xFFFFDF4Fu;
    const std::uint32_t name_colour = primary ? 0xFFAAFF22u : 0xFFFFDF4Fu;
    const char* words[] = {"OBJECT", "ENTRY", "ITEM", "", "FLORA", "PASSAGE", "SPAWNED ITEM", "SHIELD"};
    if (p->kind >= 0 && p->kind <= 7 && p->kind != prop_kind_named) lines.push_back({words[p->kind], 0.03f, colour});
    lines.push_back({p->name.c_str(), 0.027f, name_colour});
    if (p->kind == prop_kind_entry) lines.push_back({"point no: " + std::to_string(p->variation), 0.027f, colour});
    if (p->kind == prop_kind_passage) {
      lines.push_back({"Menu item no: " + std::to_string(p->variation_2), 0.027f, colour});
      lines.push_back({"Target Entry Point: " + std::to_string(p->variation), 0.027f, colour});
    }
  }
  host_->show_overlay(lines, 0.1f, 0.13f);
}

void scene_editor::edit_objects_frame(mission& m, edit_mode_view& view) {
  const screen_input& in = view.input;
  if (in.key_clicked(right_button)) {
    hovered_instance = select_click(state, hovered_instance, in.ctrl());
    selection_dirty = true;
    refresh_selected(m);
  }
  if (in.ctrl() && in.key_clicked(platform::key::a)) {
    select_all(state, m.prop_instance_count());
    selection_dirty = true;
    refresh_selected(m);
  }
  state.stored_frame = upright_frame_ahead(view.state.game.edit_camera.position, view.state.cam.camera, 1.0f);
  if (in.key_clicked(platform::key::del) && state.selected_instance >= 0) {
    delete_selection(m, state);
    hovered_instance = -1;
    hover_pick(m, view);
    selection_dirty = true;
    refresh_selected(m);
  }
  scene_prop_instance* primary = m.get_scene_prop_instance(state.selected_instance);
  if (!primary) return;
  mouse_transform = false;
  const hm::frame old_frame = primary->current_frame;
  vec3 position = old_frame.origin;
  hm::frame turned = old_frame;
  vec3 scale = primary->scale;
  const transform_flags f = object_transform_keys(in, view.state.cam.camera, position, turned, scale);
  mouse_transform = f.mouse_used;
  if (in.ctrl() && in.key_clicked(platform::key::u)) {
    for (const scene_prop_instance& p : m.scene_prop_instances) p.place_entity();
  }
  if (!f.any()) return;
  hm::frame new_frame = turned;
  new_frame.origin = position;
  apply_selection_transform(m, state, old_frame, new_frame, scale, f);
  state.scene_changed = 1;
  refresh_selected(m);
}

void scene_editor::new_preview(mission& m, edit_mode_view& view) {
  (void)m;
  state.preview_class = state.object_class;
  state.preview_kind = state.object_kind;
  state.add_object_scale = vec3(1.0f, 1.0f, 1.0f);
  if (state.randomize_scale) {
    const float k = random_scale_factor();
    state.add_object_scale = vec3(k, k, k);
  }
  state.add_object_height = 0.0f;
  const vec3 at = preview_frame.origin;
  preview_frame = upright_frame_ahead(at, view.state.cam.camera, 0.0f);
  if (state.randomize_rotation) preview_frame.rotate_z(random_turn());
  preview_variation = state.object_class == object_class::plant ? random_plant_variation(state.object_kind) : 0;
}

void scene_editor::add_object_frame(mission& m, edit_mode_view& view) {
  const screen_input& in = view.input;
  // The kind list steps on the press, then again while held past the delay.
  auto step_key = [&](int key, timer& stamp, bool& stamped, int delta) {
    if (!in.key_down(key)) {
      stamped = false;
      return;
    }
    if (!stamped) {
      stamped = true;
      stamp.reset();
      dialog.step_object_list(state, delta);
    } else if (stamp.elapsed() > list_repeat_delay) {
      dialog.step_object_list(state, delta);
    }
  };
  step_key(platform::key::down, key_down_timer_, key_down_stamped_, 1);
  step_key(platform::key::up, key_up_timer_, key_up_stamped_, -1);
  if (state.object_class != state.preview_class || state.object_kind != state.preview_kind) new_preview(m, view);

  vec3 lift(0.0f, 0.0f, state.add_object_height);
  hm::frame turned = preview_frame;
  vec3 scale = state.add_object_scale;
  const transform_flags f = object_transform_keys(in, view.state.cam.camera, lift, turned, scale);
  if (f.position) state.add_object_height = lift.z;
  if (f.rotation) preview_frame.rot = turned.rot;
  if (f.scale) state.add_object_scale = scale;
  if (f.any()) {
    refresh_selected(m);
    return;
  }
  vec3 from;
  vec3 direction;
  mouse_ray(view, from, direction);
  const std::optional<vec3> ground = pick_ground_point(from, direction);
  if (ground) {
    last_ground_point = *ground;
    preview_frame.origin = *ground + vec3(0.0f, 0.0f, state.add_object_height);
  }
  const bool at_stored = state.place_at_stored_frame != 0;
  const bool place = at_stored || (ground && in.key_clicked(right_button));
  if (!place || state.object_class < 0 || state.object_kind < 0) return;
  const hm::frame placed = at_stored ? state.stored_frame : preview_frame;
  state.place_at_stored_frame = 0;
  const std::int32_t id = state.object_class == object_class::entry_point ? -1 : state.object_kind;
  const int index = m.add_scene_prop_instance(state.object_class, id,
                                              state.object_class == object_class::plant ? preview_variation : 0, placed);
  scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(index)];
  p.scale = state.add_object_scale;
  p.place_entity();
  state.selected_instance = index;
  state.selection.assign(1, static_cast<std::uint32_t>(index));
  state.scene_changed = 1;
  state.scene_list_dirty = 1;
  selection_dirty = true;
  hover_pick(m, view);
  // The next object gets its own random turn, size and plant variation.
  if (state.randomize_scale) {
    const float k = random_scale_factor();
    state.add_object_scale = vec3(k, k, k);
  }
  if (state.randomize_rotation) preview_frame.rotate_z(random_turn());
  if (state.object_class == object_class::plant) preview_variation = random_plant_variation(state.object_kind);
  refresh_selected(m);
}

// --- the ground brushes ----------------------------------------------------------------------------

void scene_editor::load_ground_paint(const mission& m) {
  paint.clear();
  paint_loaded = false;
  paint_changed = false;
  if (!terrain_present()) return;
  std::string path;
  std::string id;
  std::string blob;
  if (scene_file_of(m, path, id) && platform::file_exists(path)) {
    std::vector<scene_prop_kind_ref> kinds;
    scene_objects stored;
    if (load_scene_objects(path, id.c_str(), stored, kinds, nullptr)) blob = stored.ground_paint_data;
  }
  const terrain_generator& t = g_terrain_generator;
  if (!blob.empty()) {
    std::vector<ruv_string> names;
    for (const terrain_ground_kind& k : t.module_data.ground_kinds) names.push_back(k.name);
    binary_reader reader;
    reader.open_memory(path + " ground paint", blob.data(), blob.size());
    read_ground_paint(reader, paint, names);
  }
  if (paint.size_x != t.vertex_count_x() || paint.size_y != t.vertex_count_y() || paint.layer_count < 2) {
    if (!blob.empty()) log_line("The scene's ground paint does not fit its terrain; painting starts afresh.\n");
    paint.clear();
    t.store_ground_paint(paint);
    paint.size_x = t.vertex_count_x();
    paint.size_y = t.vertex_count_y();
  }
  paint_loaded = true;
  shown_heights_.clear();
  for (std::int32_t x = 0; x < t.vertex_count_x(); ++x) {
    for (std::int32_t y = 0; y < t.vertex_count_y(); ++y) shown_heights_.push_back(t.vertex(x, y).position.z);
  }
}

void scene_editor::refresh_terrain_meshes() {
  terrain_generator& t = g_terrain_generator;
  const std::int32_t nx = t.vertex_count_x();
  const std::int32_t ny = t.vertex_count_y();
  if (shown_heights_.size() != static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) || t.cell_size <= 0.0f) return;
  const vec3 base = t.vertex(0, 0).position;
  for (const terrain_block& b : t.blocks) {
    if (!b.block_entity) continue;
    entity& e = *b.block_entity;
    for (std::unique_ptr<mesh>& m : e.meshes) {
      if (!m) continue;
      bool moved = false;
      for (mesh_point& p : m->points) {
        // Only points standing on a grid vertex belong to the ground.
        const float gx = (p.position.x + e.frame.origin.x - base.x) / t.cell_size;
        const float gy = (p.position.y + e.frame.origin.y - base.y) / t.cell_size;
        const float rx = std::round(gx);
        const float ry = std::round(gy);
        if (std::fabs(gx - rx) > 1e-3f || std::fabs(gy - ry) > 1e-3f) continue;
        const auto x = static_cast<std::int32_t>(rx);
        const auto y = static_cast<std::int32_t>(ry);
        if (x < 0 || y < 0 || x >= nx || y >= ny) continue;
        const float delta = t.vertex(x, y).position.z - shown_heights_[static_cast<std::size_t>(x * ny + y)];
        if (delta == 0.0f) continue;
        p.position.z += delta;
        p.current_position = p.position;
        moved = true;
      }
      if (moved) m->compute_bounding_box();
    }
    e.compute_local_bounds();
  }
  for (std::int32_t x = 0; x < nx; ++x) {
    for (std::int32_t y = 0; y < ny; ++y) shown_heights_[static_cast<std::size_t>(x * ny + y)] = t.vertex(x, y).position.z;
  }
}

void scene_editor::clear_ground_paint() {
  if (!paint_loaded) return;
  for (int i = 0; i < paint.layer_count; ++i) paint.layers[static_cast<std::size_t>(i)].values.clear();
  terrain_generator& t = g_terrain_generator;
  for (std::int32_t x = 0; x < t.vertex_count_x(); ++x) {
    for (std::int32_t y = 0; y < t.vertex_count_y(); ++y) {
      terrain_vertex& v = t.vertex(x, y);
      v.paint_offset = 0.0f;
      v.position.z = v.base_height;
      v.paint_colour = 0xFFFFFFFFu;
    }
  }
  paint_changed = true;
  state.scene_changed = 1;
  refresh_terrain_meshes();
}

void scene_editor::ground_brush_frame(mission& m, edit_mode_view& view) {
  (void)m;
  if (!terrain_present() || !paint_loaded) return;
  const screen_input& in = view.input;
  const bool right = in.key_down(right_button);
  const bool middle = in.key_down(middle_button);
  const bool moved = in.state->mouse_dx != 0.0f || in.state->mouse_dy != 0.0f;
  if ((right || middle) && moved) {
    vec3 from;
    vec3 direction;
    mouse_ray(view, from, direction);
    if (const std::optional<vec3> ground = pick_ground_point(from, direction)) {
      const int kind = state.edit_sub_mode == edit_sub_mode::ground_elevate ? brush_kind::elevation
                       : state.edit_sub_mode == edit_sub_mode::ground_colour ? brush_kind::colour
                                                                              : brush_kind::texture;
      if (kind != brush_kind::texture) terrain_refresh_pending = true;
      const auto b = static_cast<std::size_t>(state.brush_index());
      brush_settings settings;
      settings.radius = state.brush_radius[b];
      settings.weight = state.brush_weight[b];
      settings.hardness = state.brush_hardness[b];
      settings.elevate_action = state.elevate_action;
      settings.colour = state.brush_colour;
      const brush_cell_grid grid = terrain_cells();
      const std::vector<std::int32_t> written =
          apply_ground_brush(paint, grid, *ground, state.paint_layer, kind, middle, settings);
      // The new values reach the terrain's vertices at once.
      terrain_generator& t = g_terrain_generator;
      const int layer = kind == brush_kind::elevation ? paint.elevation_layer : paint.leveling_layer;
      const ground_paint_layer& l = paint.layers[static_cast<std::size_t>(std::clamp(layer, 0, ground_paint_max_layers - 1))];
      for (std::int32_t cell : written) {
        const std::int32_t x = cell / grid.count_y;
        const std::int32_t y = cell % grid.count_y;
        terrain_vertex& v = t.vertex(x, y);
        if (kind == brush_kind::elevation && l.has_values()) {
          v.paint_offset = l.value_at(x, y);
          v.position.z = v.base_height + v.paint_offset;
        } else if (kind == brush_kind::colour && l.has_values()) {
          v.paint_colour = l.word_at(x, y);
        }
      }
      if (!written.empty()) paint_changed = true;
      state.scene_changed = 1;
    }
  }
  const bool right_released = in.key_released(right_button);
  const bool middle_released = in.key_released(middle_button) && !right;
  if ((right_released || middle_released) && terrain_refresh_pending) {
    terrain_refresh_pending = false;
    refresh_terrain_meshes();
  }
}

}  // namespace hm
