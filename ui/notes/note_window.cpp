#include "ui/notes/note_window.h"

#include <algorithm>

#include "engine/app/input_state.h"
#include "module/text/translation_table.h"
#include "script/script_state.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/notes/note_book.h"
#include "ui/text/rich_text.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

constexpr int key_escape = 1;
constexpr std::int32_t opened_by_dispatcher = 100;
constexpr float text_size = 0.02f;
constexpr float keys_left = 0.7f;
constexpr float keys_width = 0.27f;
constexpr float data_width = 0.62f;
constexpr float box_height = 0.56f;
constexpr float box_bottom = 0.1f;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

game_script_words& words() { return current_script_host().campaign->game_words(); }

bool is_page_kind(std::int32_t kind) { return kind >= link_kind::troop && kind <= link_kind::quest; }

// A rich text of the given width laid out at the top of its own height.
std::unique_ptr<rich_text_widget> make_rich_text(const std::string& body, float width) {
  auto t = std::make_unique<rich_text_widget>();
  t->set_text_flags(0x700);
  t->set_position({0.0f, 0.0f});
  t->set_text_size({text_size, text_size});
  t->set_size({width, 0.1f});
  t->text = ruv_string(body);
  ui_vec2 extent;
  t->rebuild_text_mesh(extent);
  t->text_position = {0.0f, extent.y - text_size * 0.63f};
  t->set_size({width, extent.y});
  t->rebuild_text_mesh();
  return t;
}

// A scrolling box at (x, y) of the given view size around the text.
scrollable_container* make_box(container& root, std::unique_ptr<rich_text_widget> text, rich_text_widget*& out,
                               float x, float y, float width, const char* layout) {
  auto box = std::make_unique<scrollable_container>();
  const float height = text->size.y + 0.001f;
  box->content->set_size({width, std::max(height, box_height)});
  // Short texts stand at the top of the box.
  text->set_position({0.0f, std::max(height, box_height) - height});
  out = box->content->add(std::move(text));
  box->set_position({x, y});
  read_widget_layout(*box, layout);
  box->set_view_size({width, box_height});
  box->update_layout();
  auto* raw = static_cast<scrollable_container*>(root.add_child(std::move(box)));
  if (scrollbar* bar = raw->scroll_bars[1]) {
    bar->set_float_value(bar->float_max);
    bar->raise_event(ui_event::clicked);
  }
  raw->update_scrollbars();
  return raw;
}

}  // namespace

note_window::note_window() : book(std::make_unique<game_note_book>()) {}
note_window::~note_window() = default;

void note_window::clear_widgets() {
  picture = title = back_button = forward_button = map_button = nullptr;
  keys = data = nullptr;
  keys_box = data_box = nullptr;
  tabs = {};
}

void note_window::build() {
  current = {-1, -1};
  saved_scroll = -1.0f;
  back_history.clear();
  forward_history.clear();
  const game_script_words& w = words();
  show_page(w.notes_kind, w.notes_id);
}

float note_window::keys_scroll() const {
  if (!keys_box || !keys_box->scroll_bars[1]) return -1.0f;
  return keys_box->scroll_bars[1]->get_float_value();
}

void note_window::show_page(std::int32_t kind, std::int32_t id) {
  if (!is_page_kind(kind)) {
    kind = link_kind::none;
    id = -1;
  }
  const std::vector<std::int32_t> sorted = is_page_kind(kind) ? note_keys(*book, kind) : std::vector<std::int32_t>{};
  // An id from a note's text or the game's request that names nothing of its
  // kind is never looked up; it, and a page without notes, give way to the
  // kind's first page with notes.
  if (is_page_kind(kind)) {
    if (!book->valid(kind, id)) id = -1;
    if ((id < 0 || !has_notes(book->record(kind, id))) && !sorted.empty()) id = sorted.front();
  }
  current = {kind, id};

  g_ui_manager.clear();
  clear_widgets();
  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("note_window")) r->set_mesh(slot_background, std::move(m));
  root = r.get();

  picture = make_label(*r, ruv_string(), 0.03f, 0.5f, 0.2f, 0.15f);
  read_widget_layout(*picture, "note_i_picture");
  picture->hide();
  title = make_label(*r, ruv_string(), 0.03f, 0.68f, 0.62f, 0.04f);
  read_widget_layout(*title, "note_t_title");

  const float small_h = get_layout_variable_float("note_button_sm_h");
  back_button = make_short_button(*r, tr("ui_back"), 0.7f, 0.68f, small_h);
  read_widget_layout(*back_button, "note_b_back");
  forward_button = make_short_button(*r, tr("ui_forward"), 0.85f, 0.68f, small_h);
  read_widget_layout(*forward_button, "note_b_forward");
  map_button = make_long_button(*r, tr("ui_display_on_map"), 0.3f, 0.03f, small_h);
  read_widget_layout(*map_button, "note_b_map_follow");
  map_button->hide();
  if (back_history.empty()) back_button->disable();
  if (forward_history.empty()) forward_button->disable();

  data_text.clear();
  keys_text.clear();
  title_text = ruv_string();
  const std::string no_notes(tr("ui_click_button_to_view_note").view());
  if (is_page_kind(kind)) {
    if (id >= 0) data_text = note_page_text(*book, kind, id);
    if (!data_text.empty()) {
      title_text = book->display_name(kind, id);
    } else {
      data_text = no_notes;
    }
    if (kind == link_kind::party && id >= 0 && return_window == window_id::world_map) map_button->show();
    keys_text = note_keys_text(*book, kind, id, sorted);
    const std::string links = id >= 0 ? note_back_links(*book, kind, id) : std::string();
    if (!links.empty()) {
      if (data_text == no_notes) data_text = tr("ui_this_page_contains_no_information").view();
      data_text += "\n\n";
      data_text.append(tr("ui_other_pages_that_link_here").view());
      data_text += links;
    }
  } else {
    data_text = no_notes;
  }
  title->set_text(title_text);

  keys_box = make_box(*r, make_rich_text(keys_text, keys_width), keys, keys_left, box_bottom, keys_width,
                      "note_s_keys");
  data_box = make_box(*r, make_rich_text(data_text, data_width), data, 0.03f, box_bottom, data_width, "note_s_data");
  if (saved_scroll > -0.0001f && keys_box->scroll_bars[1]) {
    keys_box->scroll_bars[1]->set_float_value(saved_scroll);
    keys_box->scroll_bars[1]->raise_event(ui_event::clicked);
  }
  saved_scroll = -1.0f;

  tabs = make_note_tabs(*r);
  static constexpr note_tab kind_tabs[] = {note_tab::troops, note_tab::factions, note_tab::locations,
                                           note_tab::quests};
  if (is_page_kind(kind)) {
    widget* t = tabs[static_cast<std::size_t>(kind_tabs[kind - 1])];
    t->set_value(1);
    t->disable();
  }
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));

}

void note_window::follow_link(std::int32_t kind, std::int32_t id) {
  forward_history.clear();
  const note_page target{kind, id};
  if (current.kind >= 0 && !(current == target)) back_history.push_back(current);
  show_page(kind, id);
}

void note_window::go_back() {
  if (back_history.empty()) return;
  const note_page target = back_history.back();
  back_history.pop_back();
  forward_history.push_back(current);
  if (target.kind == current.kind) saved_scroll = keys_scroll();
  show_page(target.kind, target.id);
}

void note_window::go_forward() {
  if (forward_history.empty()) return;
  const note_page target = forward_history.back();
  forward_history.pop_back();
  back_history.push_back(current);
  if (target.kind == current.kind) saved_scroll = keys_scroll();
  show_page(target.kind, target.id);
}

void note_window::frame(float /*seconds*/) {
  auto clicked = [](widget* w) { return w && w->take_event(ui_event::clicked); };
  if (g_ui_manager.wheel != 0) {
    const bool on_keys = g_ui_manager.mouse_position.x >= keys_left || !data_box || !data_box->content ||
                         data_box->content->size.y <= data_box->size.y;
    scrollable_container* box = on_keys ? keys_box : data_box;
    if (box && box->scroll_bars[1]) scroll_by_wheel(*box->scroll_bars[1], static_cast<float>(g_ui_manager.wheel));
  }
  if (clicked(back_button)) {
    go_back();
    return;
  }
  if (clicked(forward_button)) {
    go_forward();
    return;
  }
  for (rich_text_widget* t : {keys, data}) {
    std::int32_t kind = 0;
    std::int32_t id = 0;
    std::int32_t index = 0;
    if (t && t->take_event(ui_event::clicked) && t->get_clicked_link(kind, id, index)) {
      if (t == keys || kind == current.kind) saved_scroll = keys_scroll();
      follow_link(kind, id);
      return;
    }
  }
  static constexpr std::pair<note_tab, std::int32_t> kinds[] = {{note_tab::troops, link_kind::troop},
                                                                 {note_tab::factions, link_kind::faction},
                                                                 {note_tab::locations, link_kind::party},
                                                                 {note_tab::quests, link_kind::quest}};
  for (const auto& [tab, k] : kinds) {
    if (clicked(tabs[static_cast<std::size_t>(tab)])) {
      back_history.clear();
      forward_history.clear();
      show_page(k, 0);
      return;
    }
  }
  for (note_tab tab : {note_tab::game_log, note_tab::recent_messages}) {
    if (clicked(tabs[static_cast<std::size_t>(tab)])) {
      if (game_window* log = g_window_manager.window(window_id::game_log)) {
        log->return_window = return_window;
        log->mode = tab == note_tab::game_log ? 1 : 0;
      }
      g_window_manager.set_window(window_id::game_log);
      return;
    }
  }
  if (clicked(map_button)) {
    g_window_manager.set_window(return_window);
    return;
  }
  const bool escape = !g_input_state.is_key_down(key_escape) && g_input_state.previous_keys[key_escape] != 0;
  if (clicked(tabs[static_cast<std::size_t>(note_tab::back)]) || escape) {
    if (return_window == opened_by_dispatcher) {
      if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
    } else {
      g_window_manager.set_window(return_window);
    }
  }
}

}  // namespace hm
