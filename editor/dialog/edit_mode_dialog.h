#pragma once
// The "Edit Mode" dialog: a tool window beside the game's window while the
// scene edit mode is on. It chooses the sub-mode, shows and edits the
// selected instance, lists the scene's instances, chooses what to add, holds
// the brushes' settings and gives the AI-mesh editor a place for its
// controls. The rules it follows are plain functions, so they are tested
// without a window.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "editor/mode/edit_mode_state.h"
#include "platform/tool_window.h"

namespace hm {

class mission;
class ai_mesh_tools;
struct scene_prop_instance;

// A typed entry number or variation: a whole number 0..63 (a negative one
// would later index and divide); false leaves the instance as it is.
bool read_instance_number(const std::string& text, std::int32_t& out);
// A typed colour channel: empty or negative 0, above 255 255; the text is
// rewritten when it was held to the range.
int read_colour_channel(std::string& text);

// The scene-object list's selection (one flag per instance) taken into the
// selection: newly selected instances are appended and become the primary;
// instances no longer selected leave it (the last takes their place); with
// no primary left the last selected is the primary.
void apply_scene_list_selection(edit_mode_state& s, const std::vector<std::uint8_t>& listed);
// A double click on the list: only the primary stays selected.
void keep_only_primary(edit_mode_state& s);
// The list's flags that show the selection.
std::vector<std::uint8_t> scene_list_flags(const edit_mode_state& s, int instance_count);

// The name the list and the "Selected Object" group show for an instance;
// `text` translates a UI key.
std::string scene_object_display_name(const scene_prop_instance& p, const std::function<std::string(const char*)>& text);

// The add-object list of a class: the entry texts, each with its kind index.
struct object_kind_entry {
  std::string text;
  std::int32_t kind = 0;
};
std::vector<object_kind_entry> object_kind_entries(std::int32_t object_class);

// The help dialog's text, lines joined by CR LF.
const std::string& edit_mode_help_text();

// What the dialog asks of the editor.
struct edit_mode_dialog_actions {
  std::function<void()> leave;
  // "Clear All": the manual ground layers cleared.
  std::function<void()> clear_ground;
  // After a list choice: the hover pick runs again and the outline follows.
  std::function<void()> return_focus;
  // A double click on an instance: the camera flies to its frame.
  std::function<void(std::int32_t instance)> fly_to;
  // The instance's scale changed (its entity re-placed).
  std::function<void(std::int32_t instance)> instance_changed;
  std::function<std::string(const char*)> text;
};

class edit_mode_dialog {
 public:
  static constexpr const char* title = "Edit Mode";
  static constexpr const char* help_title = "Edit Mode Help";

  bool is_open() const { return window_.is_open(); }
  // Opens the window (false without a display) and fills its lists.
  bool open(mission& m, edit_mode_state& s);
  void close();
  // Draws one frame; false once the user closed the window.
  bool frame(mission& m, edit_mode_state& s, ai_mesh_tools* ai_tools, const edit_mode_dialog_actions& act);

  // The kind list refilled for the chosen class (object_class and
  // object_kind follow its first entry).
  void fill_object_kind_list(edit_mode_state& s);
  // Moves the kind list's choice by delta, held to the list.
  void step_object_list(edit_mode_state& s, int delta);
  // The "Selected Object" group's texts refreshed.
  void refresh_selected_object(const mission& m, const edit_mode_state& s, const vec3& preview_position,
                               const std::function<std::string(const char*)>& text);
  // The ground layers offered to the texture brush (all but the last two).
  std::vector<std::string> ground_layer_names;

  // The group's texts: name, the two numbers, scale and position, and the
  // two number labels.
  struct selected_texts {
    std::string name, first, second, first_label = "Var No:", second_label = "Var2 No:";
    std::string scale[3], position[3];
  } selected;
  int class_choice = 0;
  std::vector<object_kind_entry> kinds;
  int kind_choice = 0;
  std::string colour_text[3] = {"255", "255", "255"};
  int colour[3] = {255, 255, 255};

 private:
  void build(platform::tool_ui& ui, mission& m, edit_mode_state& s, ai_mesh_tools* ai_tools,
             const edit_mode_dialog_actions& act);
  void mode_buttons(platform::tool_ui& ui, edit_mode_state& s);
  void objects_controls(platform::tool_ui& ui, mission& m, edit_mode_state& s, const edit_mode_dialog_actions& act);
  void brush_controls(platform::tool_ui& ui, edit_mode_state& s, const edit_mode_dialog_actions& act);

  platform::tool_window window_;
  platform::tool_window help_window_;
  bool close_requested_ = false;
};

}  // namespace hm
