#include "editor/dialog/edit_mode_dialog.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "editor/mode/ai_mesh_tools.h"
#include "engine/core/text_format.h"
#include "mission/records/mission.h"
#include "module/data/data_files.h"
#include "module/data/flora_kind.h"
#include "module/records/item_kind.h"
#include "module/records/scene_prop.h"
#include "platform/message_box.h"

namespace hm {

namespace {

constexpr const char* class_names[] = {"Scene Props", "Entry Point", "Item Kinds", "Plants", "Passage"};
constexpr std::int32_t class_values[] = {object_class::scene_prop, object_class::entry_point, object_class::item,
                                         object_class::plant, object_class::passage};

std::string number_text(float v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%3f", static_cast<double>(v));
  return buffer;
}

std::string fixed_text(float v, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%1.*f", digits, static_cast<double>(v));
  return buffer;
}

bool read_int(const std::string& text, long& out) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin < end && *begin == ' ') ++begin;
  while (end > begin && end[-1] == ' ') --end;
  if (begin == end) return false;
  const auto r = std::from_chars(begin, end, out);
  return r.ec == std::errc() && r.ptr == end;
}

}  // namespace

bool read_instance_number(const std::string& text, std::int32_t& out) {
  long v = 0;
  if (!read_int(text, v) || v < 0 || v >= 64) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

int read_colour_channel(std::string& text) {
  long v = 0;
  if (!read_int(text, v) || v < 0) v = 0;
  if (v > 255) v = 255;
  const std::string held = std::to_string(v);
  if (text != held) text = held;
  return static_cast<int>(v);
}

void apply_scene_list_selection(edit_mode_state& s, const std::vector<std::uint8_t>& listed) {
  s.selected_instance = -1;
  std::size_t listed_count = 0;
  for (std::size_t i = 0; i < listed.size() && listed_count < 1024; ++i) {
    if (!listed[i]) continue;
    ++listed_count;
    const auto index = static_cast<std::uint32_t>(i);
    if (std::find(s.selection.begin(), s.selection.end(), index) == s.selection.end()) {
      s.selection.push_back(index);
      s.selected_instance = static_cast<std::int32_t>(index);
    }
  }
  if (listed_count != s.selection.size()) {
    for (std::size_t k = 0; k < s.selection.size();) {
      const std::uint32_t index = s.selection[k];
      if (index < listed.size() && listed[index]) {
        ++k;
        continue;
      }
      s.selection[k] = s.selection.back();
      s.selection.pop_back();
    }
  }
  if (s.selected_instance == -1 && !s.selection.empty()) s.selected_instance = static_cast<std::int32_t>(s.selection.back());
}

void keep_only_primary(edit_mode_state& s) {
  s.selection.clear();
  if (s.selected_instance >= 0) s.selection.push_back(static_cast<std::uint32_t>(s.selected_instance));
}

std::vector<std::uint8_t> scene_list_flags(const edit_mode_state& s, int instance_count) {
  std::vector<std::uint8_t> flags(static_cast<std::size_t>(std::max(instance_count, 0)), 0);
  for (std::uint32_t index : s.selection) {
    if (index < flags.size()) flags[index] = 1;
  }
  return flags;
}

std::string scene_object_display_name(const scene_prop_instance& p, const std::function<std::string(const char*)>& text) {
  std::string name;
  switch (p.kind) {
    case prop_kind_object:
      name = format_text(text("ui_prop_propname"), {p.name.c_str()});
      break;
    case prop_kind_entry:
      name = format_text(text("ui_entry_point_entrypointname"), {p.variation});
      break;
    case prop_kind_item:
    case prop_kind_spawned_item:
      if (p.id < 0 || p.id >= static_cast<int>(g_item_kinds.size())) return "INVALID ITEM";
      name = format_text(text("ui_item_itemname"), {g_item_kinds[static_cast<std::size_t>(p.id)].name.c_str()});
      break;
    case prop_kind_flora:
      if (p.name.length() == 0) return "INVALID PLANT";
      name = format_text(text("ui_plant_plantname"), {p.name.c_str()});
      break;
    case prop_kind_passage:
      name = format_text(text("ui_passage_menu_item_passagename"), {p.variation_2});
      break;
    default:
      name = format_text(text("ui_unknown_unknownname"), {p.name.c_str()});
      break;
  }
  if (name.size() > 127) name.resize(127);
  return name;
}

std::vector<object_kind_entry> object_kind_entries(std::int32_t object_class) {
  std::vector<object_kind_entry> out;
  switch (object_class) {
    case object_class::scene_prop:
      for (std::size_t i = 0; i < g_scene_prop_kinds.size(); ++i) {
        const std::string id = g_scene_prop_kinds[i].id.c_str();
        out.push_back({id.size() > 4 ? id.substr(4) : std::string(), static_cast<std::int32_t>(i)});
      }
      break;
    case object_class::entry_point:
      out.push_back({"Entry Point", 0});
      break;
    case object_class::item:
      for (std::size_t i = 0; i < g_item_kinds.size(); ++i) {
        out.push_back({g_item_kinds[i].name.c_str(), static_cast<std::int32_t>(i)});
      }
      break;
    case object_class::plant:
      for (std::size_t i = 0; i < g_flora_kinds.size(); ++i) {
        out.push_back({g_flora_kinds[i].name.c_str(), static_cast<std::int32_t>(i)});
      }
      break;
    case object_class::passage:
      out.push_back({"Passage", 0});
      break;
    default:
      break;
  }
  return out;
}

const std::string& edit_mode_help_text() {
  static const std::string text = [] {
    const char* lines[] = {
        "Common Keys",
        "-----------------",
        "Left Mouse Button: While pressed, mouse movements rotate",
        "the camera.",
        "H: Hides/unhides the highlights and user interface objects",
        "(Good for taking a screenshot).",
        "CTRL + Any movement key: Speeds up the camera",
        "movements, slows down the object movements.",
        "",
        "Edit Objects Mode",
        "----------------------",
        "Right Mouse Button: Selects objects.",
        "CTRL + Right Mouse Button: Selects multiple objects.",
        "Double Click on Scene Objects list: Selects the clicked",
        "object and moves the camera towards it.",
        "A,S,D,W: Moves the camera.",
        "C,F: Increases/decreases the height of the camera.",
        "G: While pressed, mouse movements move the selected",
        "object(s) parallel to the ground.",
        "T: While pressed, mouse movements increase/decrease the",
        "height of the selected object(s).",
        "X,Y,Z: While pressed, mouse movements rotate the selected",
        "object(s) with respect to the object's X, Y and Z axis.",
        "U: While pressed, mouse movements rotate the selected",
        "object(s) with respect to the \"Up\" axis of the world.",
        "R: Resets the selected object's rotation.",
        "B: Scale selected object.",
        "B + X: Scale selected object along X axis.",
        "B + Y: Scale selected object along Y axis.",
        "B + Z: Scale selected object along Z axis.",
        "Alt + B: Resets the selected object's scale.",
        "Delete: Deletes selected object(s).",
        "Space: Enables add object mode.",
        "",
        "Add Object Mode",
        "-------------------",
        "Right Mouse Button: Adds current object to scene.",
        "Space: Disables add object mode.",
        "T, U, X, Y, Z, R and B can also be used in this mode.",
        "",
        "Ground Elevate and Ground Paint Mode",
        "-----------------------------------------------",
        "Right Mouse Button: Elevates the ground up or down in",
        "\"Ground Elevate\" mode and paints the ground in \"Ground",
        "Paint\" mode.",
        "Midle Mouse Button: Clears the elevation in \"Ground Elevate\"",
        "mode and clears the paints in \"Ground Paint\" mode.",
        "",
        "Edit AI Mesh Mode",
        "---------------------",
        "Right Mouse Button: Selects AI mesh objects.",
        "CTRL + Right Mouse Button: Selects multiple AI mesh objects.",
        "1: Activates Vertex Editing Mode",
        "2: Activates Edge Editing Mode",
        "3: Activates Face Editing Mode",
        "G, T, X, Y, Z, B and Delete can also be used in this mode.",
        "",
        "Additional Help",
        "------------------",
        "- You can save your changes only when you leave the edit",
        "mode.",
        "",
        "- You can not undo your works, you can only discard changes",
        "while leaving the edit mode. So you should save your work",
        "occasionally by leaving the edit mode and re-entering it.",
        "",
        "- Scene files are located under [Current Module]\\SceneObj",
        "foler. When you save your changes, the related scene file",
        "under this folder will be updated.",
        "",
        "- Create AI Mesh button works only on outdoor scenes.",
    };
    std::string joined;
    for (const char* line : lines) {
      if (!joined.empty()) joined += "\r\n";
      joined += line;
    }
    return joined;
  }();
  return text;
}

// --- the window ---------------------------------------------------------------------------------

bool edit_mode_dialog::open(mission& m, edit_mode_state& s) {
  if (!window_.is_open() && !window_.open(title, 420, 900)) return false;
  (void)m;
  close_requested_ = false;
  fill_object_kind_list(s);
  return true;
}

void edit_mode_dialog::close() {
  help_window_.close();
  window_.close();
}

bool edit_mode_dialog::frame(mission& m, edit_mode_state& s, ai_mesh_tools* ai_tools, const edit_mode_dialog_actions& act) {
  if (!window_.is_open()) return false;
  const bool open = window_.frame([&](platform::tool_ui& ui) { build(ui, m, s, ai_tools, act); });
  if (help_window_.is_open()) {
    bool done = false;
    const bool help_open = help_window_.frame([&](platform::tool_ui& ui) {
      ui.text_view("##help", edit_mode_help_text(), {}, platform::tool_ui::no_scroll, -40.0f);
      done = ui.button("OK");
    });
    if (done || !help_open) help_window_.close();
  }
  if (close_requested_) {
    close_requested_ = false;
    if (act.leave) act.leave();
  }
  return open;
}

void edit_mode_dialog::fill_object_kind_list(edit_mode_state& s) {
  class_choice = std::clamp(class_choice, 0, 4);
  kinds = object_kind_entries(class_values[class_choice]);
  kind_choice = 0;
  s.object_class = class_values[class_choice];
  s.object_kind = kinds.empty() ? -1 : kinds.front().kind;
}

void edit_mode_dialog::step_object_list(edit_mode_state& s, int delta) {
  if (kinds.empty()) return;
  kind_choice = std::clamp(kind_choice + delta, 0, static_cast<int>(kinds.size()) - 1);
  s.object_kind = kinds[static_cast<std::size_t>(kind_choice)].kind;
}

void edit_mode_dialog::refresh_selected_object(const mission& m, const edit_mode_state& s, const vec3& preview_position,
                                               const std::function<std::string(const char*)>& text) {
  selected = selected_texts{};
  auto labels = [&](std::int32_t kind) {
    if (kind == prop_kind_entry) {
      selected.first_label = "Entry No:";
      selected.second_label = "";
    } else if (kind == prop_kind_passage) {
      selected.first_label = "Entry No:";
      selected.second_label = "Menu Item No:";
    }
  };
  if (s.add_object_mode) {
    selected.name = "New Object";
    const vec3 at(preview_position.x, preview_position.y, preview_position.z + s.add_object_height);
    const float position[3] = {at.x, at.y, at.z};
    const float scale[3] = {s.add_object_scale.x, s.add_object_scale.y, s.add_object_scale.z};
    for (int i = 0; i < 3; ++i) {
      selected.position[i] = number_text(position[i]);
      selected.scale[i] = number_text(scale[i]);
    }
    labels(s.object_class);
    return;
  }
  if (s.selected_instance < 0 || s.selected_instance >= m.prop_instance_count()) return;
  const scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(s.selected_instance)];
  selected.name = scene_object_display_name(p, text);
  const float position[3] = {p.current_frame.origin.x, p.current_frame.origin.y, p.current_frame.origin.z};
  const float scale[3] = {p.scale.x, p.scale.y, p.scale.z};
  for (int i = 0; i < 3; ++i) {
    selected.position[i] = number_text(position[i]);
    selected.scale[i] = number_text(scale[i]);
  }
  selected.first = std::to_string(p.variation);
  selected.second = std::to_string(p.variation_2);
  labels(p.kind);
}

void edit_mode_dialog::build(platform::tool_ui& ui, mission& m, edit_mode_state& s, ai_mesh_tools* ai_tools,
                             const edit_mode_dialog_actions& act) {
  mode_buttons(ui, s);
  if (ui.button("Close")) close_requested_ = true;
  ui.same_line();
  if (ui.button("Help") && !help_window_.is_open()) help_window_.open(help_title, 480, 520);
  ui.separator();
  switch (s.edit_sub_mode) {
    case edit_sub_mode::objects:
      objects_controls(ui, m, s, act);
      break;
    case edit_sub_mode::ground_texture:
    case edit_sub_mode::ground_elevate:
    case edit_sub_mode::ground_colour:
      brush_controls(ui, s, act);
      break;
    case edit_sub_mode::ai_mesh:
      if (ai_tools) ai_tools->draw_controls(m, s, ui);
      else ui.text("The AI mesh editor is not available in this build.");
      break;
    default:
      break;
  }
}

void edit_mode_dialog::mode_buttons(platform::tool_ui& ui, edit_mode_state& s) {
  ui.text("Mode:");
  struct mode_button {
    const char* label;
    std::uint32_t mode;
  };
  const mode_button buttons[] = {{"Ground Texture Paint", edit_sub_mode::ground_texture},
                                 {"Ground Elevate", edit_sub_mode::ground_elevate},
                                 {"Ground Color Paint", edit_sub_mode::ground_colour},
                                 {"Edit Objects", edit_sub_mode::objects},
                                 {"Edit AI Mesh", edit_sub_mode::ai_mesh}};
  int column = 0;
  for (const mode_button& b : buttons) {
    if (column++ % 2 == 1) ui.same_line();
    if (ui.radio(b.label, s.edit_sub_mode == b.mode)) s.edit_sub_mode = b.mode;
  }
}

void edit_mode_dialog::objects_controls(platform::tool_ui& ui, mission& m, edit_mode_state& s,
                                        const edit_mode_dialog_actions& act) {
  scene_prop_instance* primary = m.get_scene_prop_instance(s.selected_instance);
  ui.text("Selected Object");
  ui.text(selected.name.empty() ? std::string(" ") : selected.name);
  if (ui.edit_field(selected.first_label.empty() ? "##first" : selected.first_label.c_str(), selected.first, 8, false)) {
    std::int32_t v = 0;
    if (primary && read_instance_number(selected.first, v)) {
      primary->variation = v;
      s.scene_changed = 1;
    } else {
      selected.first.clear();
    }
  }
  if (ui.edit_field(selected.second_label.empty() ? "##second" : selected.second_label.c_str(), selected.second, 8,
                    false)) {
    std::int32_t v = 0;
    if (primary && read_instance_number(selected.second, v)) {
      primary->variation_2 = v;
      s.scene_changed = 1;
    } else {
      selected.second.clear();
    }
  }
  const char* axes[] = {"X", "Y", "Z"};
  for (int i = 0; i < 3; ++i) {
    ui.text(std::string("Scale ") + axes[i] + ": " + selected.scale[i] + "   Pos " + axes[i] + ": " + selected.position[i]);
    ui.same_line();
    const std::string invert = std::string("Invert##") + axes[i];
    if (ui.button(invert.c_str()) && (primary || s.add_object_mode)) {
      vec3& scale = s.add_object_mode || !primary ? s.add_object_scale : primary->scale;
      (i == 0 ? scale.x : i == 1 ? scale.y : scale.z) *= -1.0f;
      if (!s.add_object_mode && primary) {
        primary->place_entity();
        if (act.instance_changed) act.instance_changed(s.selected_instance);
      }
      s.scene_changed = 1;
    }
  }
  // The scene's instances.
  std::vector<std::string> names;
  names.reserve(m.scene_prop_instances.size());
  for (const scene_prop_instance& p : m.scene_prop_instances) names.push_back(scene_object_display_name(p, act.text));
  std::vector<std::uint8_t> listed = scene_list_flags(s, m.prop_instance_count());
  const auto action = ui.list_box("##scene_objects", names, listed, true, 180.0f);
  if (action == platform::tool_ui::list_action::changed) {
    apply_scene_list_selection(s, listed);
    if (act.return_focus) act.return_focus();
  } else if (action == platform::tool_ui::list_action::double_clicked) {
    apply_scene_list_selection(s, listed);
    keep_only_primary(s);
    if (act.return_focus) act.return_focus();
    if (s.selected_instance >= 0 && act.fly_to) act.fly_to(s.selected_instance);
  }
  ui.separator();
  ui.text("Add Object");
  std::vector<std::string> classes(std::begin(class_names), std::end(class_names));
  if (ui.combo("##class", classes, class_choice)) fill_object_kind_list(s);
  ui.same_line();
  bool adding = s.add_object_mode != 0;
  if (ui.checkbox("Add Object", adding)) {
    s.add_object_mode = adding ? 1 : 0;
    s.add_object_scale = vec3(1.0f, 1.0f, 1.0f);
    s.add_object_height = 0.0f;
  }
  std::vector<std::string> kind_names;
  kind_names.reserve(kinds.size());
  for (const object_kind_entry& k : kinds) kind_names.push_back(k.text);
  std::vector<std::uint8_t> chosen(kinds.size(), 0);
  if (kind_choice >= 0 && kind_choice < static_cast<int>(chosen.size())) chosen[static_cast<std::size_t>(kind_choice)] = 1;
  const auto kind_action = ui.list_box("##kinds", kind_names, chosen, false, 200.0f);
  if (kind_action != platform::tool_ui::list_action::none) {
    const auto it = std::find(chosen.begin(), chosen.end(), std::uint8_t{1});
    if (it != chosen.end()) {
      kind_choice = static_cast<int>(it - chosen.begin());
      s.object_kind = kinds[static_cast<std::size_t>(kind_choice)].kind;
    }
    if (kind_action == platform::tool_ui::list_action::double_clicked) s.place_at_stored_frame = 1;
  }
  bool rotation = s.randomize_rotation != 0;
  if (ui.checkbox("Randomize Rotation", rotation)) s.randomize_rotation = rotation ? 1 : 0;
  bool scale = s.randomize_scale != 0;
  if (ui.checkbox("Randomize Scale", scale)) s.randomize_scale = scale ? 1 : 0;
}

void edit_mode_dialog::brush_controls(platform::tool_ui& ui, edit_mode_state& s, const edit_mode_dialog_actions& act) {
  const int b = s.brush_index();
  if (s.edit_sub_mode == edit_sub_mode::ground_texture) {
    if (ground_layer_names.empty()) {
      ui.text("This scene has no ground layers to paint.");
    } else {
      s.paint_layer = std::clamp(s.paint_layer, 0, static_cast<int>(ground_layer_names.size()) - 1);
      ui.combo("Ground layer", ground_layer_names, s.paint_layer);
    }
  } else if (s.edit_sub_mode == edit_sub_mode::ground_elevate) {
    const char* actions[] = {"Up", "Down", "Smooth"};
    for (std::uint32_t i = 0; i < 3; ++i) {
      if (i > 0) ui.same_line();
      if (ui.radio(actions[i], s.elevate_action == i)) s.elevate_action = i;
    }
  }
  int radius = static_cast<int>(s.brush_radius[static_cast<std::size_t>(b)]);
  if (ui.slider("Radius:", radius, 1, 100)) s.brush_radius[static_cast<std::size_t>(b)] = static_cast<float>(radius);
  ui.same_line();
  ui.text(fixed_text(s.brush_radius[static_cast<std::size_t>(b)], 0));
  int weight = static_cast<int>(s.brush_weight[static_cast<std::size_t>(b)] * 100.0f + 0.5f);
  if (ui.slider("Weight:", weight, 1, 100)) s.brush_weight[static_cast<std::size_t>(b)] = static_cast<float>(weight) * 0.01f;
  ui.same_line();
  ui.text(fixed_text(s.brush_weight[static_cast<std::size_t>(b)], 2));
  int hardness = static_cast<int>(s.brush_hardness[static_cast<std::size_t>(b)] * 100.0f + 0.5f);
  if (ui.slider("Hardness:", hardness, 0, 100)) {
    s.brush_hardness[static_cast<std::size_t>(b)] = static_cast<float>(hardness) * 0.01f;
  }
  ui.same_line();
  ui.text(fixed_text(s.brush_hardness[static_cast<std::size_t>(b)], 2));
  if (s.edit_sub_mode == edit_sub_mode::ground_colour) {
    const char* channels[] = {"##red", "##green", "##blue"};
    const char* edits[] = {"##red_edit", "##green_edit", "##blue_edit"};
    for (int i = 0; i < 3; ++i) {
      if (ui.slider(channels[i], colour[i], 0, 255)) colour_text[i] = std::to_string(colour[i]);
      ui.same_line();
      if (ui.edit_field(edits[i], colour_text[i], 4, true)) colour[i] = read_colour_channel(colour_text[i]);
    }
    s.brush_colour = vec3(static_cast<float>(colour[0]), static_cast<float>(colour[1]), static_cast<float>(colour[2])) *
                     0.003921569f;
    ui.colour_swatch(0xFF000000u | (static_cast<std::uint32_t>(colour[0]) << 16) |
                     (static_cast<std::uint32_t>(colour[1]) << 8) | static_cast<std::uint32_t>(colour[2]));
  }
  if (ui.button("Clear All") &&
      platform::show_message_box("Warning",
                                 "This action will clear all texture and height data of the terrain that are added "
                                 "manually. Are you sure?",
                                 platform::message_box_icon::warning,
                                 platform::message_box_buttons::yes_no) == platform::message_box_result::yes &&
      act.clear_ground) {
    act.clear_ground();
  }
}

}  // namespace hm
