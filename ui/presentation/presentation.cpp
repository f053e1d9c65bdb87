#include "ui/presentation/presentation.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "module/records/module_mesh.h"
#include "module/records/presentation_table.h"
#include "script/script_state.h"
#include "script/triggers.h"
#include "ui/manager/ui_manager.h"
#include "ui/tableau/tableau_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/mesh_builders.h"
#include "ui/widget/widget_kinds.h"

namespace hm {

presentation* g_current_presentation = nullptr;

namespace {

// The starting distance of the nearest-container search.
constexpr float no_container_distance = 100000.0f;
// The fill's last drawn value that forces the progress bar to rebuild it.
constexpr float fill_rebuild_marker = -12343243.0f;

// The distance from v to [lo, hi] along one axis, 0 inside.
float axis_distance(float v, float lo, float hi) {
  if (v >= lo && v <= hi) return 0.0f;
  return std::min(std::fabs(v - lo), std::fabs(v - hi));
}

void scale_meshes(widget& w, std::initializer_list<int> slots, float sx, float sy) {
  for (int s : slots)
    if (mesh* m = w.get_mesh(s)) m->scale(sx, sy, 1.0f);
}

// A colour word with its low 24 bits, or its alpha byte, taken from v.
std::uint32_t with_part(std::uint32_t c, std::uint32_t v, bool alpha) {
  return alpha ? (c & 0x00FFFFFFu) | ((v & 0xFFu) << 24) : (c & 0xFF000000u) | (v & 0x00FFFFFFu);
}

void put_resource_mesh(widget& w, int slot, const char* name, float sx = 1.0f, float sy = 1.0f) {
  if (auto m = g_ui_manager.resource_mesh_copy(name)) {
    if (sx != 1.0f || sy != 1.0f) m->scale(sx, sy, 1.0f);
    w.set_mesh_slot(slot, std::move(m));
  }
}

}  // namespace

presentation::presentation() : start(clock_ticks(0)) {}

presentation::~presentation() { clear_presentation_state(*this); }

void clear_presentation_state(presentation& p) {
  if (g_current_presentation == &p) g_current_presentation = nullptr;
  p.widgets.clear();
  p.widgets.shrink_to_fit();
  p.remembered_sizes.clear();
  p.second_texts.clear();
  p.shown_second_text = -1;
}

void end_running_presentation() {
  if (presentation* p = g_current_presentation) clear_presentation_state(*p);
}

presentation_record* presentation::record() const {
  if (number < 0 || number >= g_presentation_table.count()) return nullptr;
  return &g_presentation_table.presentations[static_cast<std::size_t>(number)];
}

void presentation::create_in_container(container& host, std::int32_t presentation_number) {
  if (presentation_number < 0) return;
  auto box = std::make_unique<container>();
  box->set_size(host.size);
  box->set_position(host.local_position);
  root = host.add(std::move(box));
  number = presentation_number;
  widgets.clear();
  remembered_sizes.clear();
  if (const presentation_record* r = record(); r && r->background_mesh > 0) {
    if (auto m = instantiate_module_mesh(g_module_meshes, r->background_mesh)) root->set_mesh(slot_background, std::move(m));
  }
  activate();
}

void presentation::activate() {
  g_current_presentation = this;
  presentation_record* r = record();
  if (!r) {
    flags = 0;
    return;
  }
  flags = r->flags;
  start = clock_ticks(clock);
  run_simple_triggers(r->triggers, presentation_event::load);
}

widget* nearest_scrollable(const std::vector<widget*>& list, const ui_vec2& mouse) {
  widget* best = nullptr;
  float best_distance = no_container_distance;
  for (widget* w : list) {
    if (!w || w->get_type() != widget_type::scrollable_container) continue;
    const float dx = axis_distance(mouse.x, w->absolute_position.x + w->extent_min.x,
                                   w->absolute_position.x + w->extent_min.x + w->size.x);
    const float dy = axis_distance(mouse.y, w->absolute_position.y + w->extent_min.y,
                                   w->absolute_position.y + w->extent_min.y + w->size.y);
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d < best_distance) {
      best_distance = d;
      best = w;
    }
  }
  return best;
}

void presentation::run_frame(float /*seconds*/) {
  presentation_record* r = record();
  if (number < 0 || !r) return;
  // A block may end the presentation (a window change); stop touching it then.
  auto still_running = [this] { return g_current_presentation == this && number >= 0; };

  g_script_state.trigger_param_1 =
      static_cast<std::int64_t>(static_cast<double>(clock_ticks(clock) - start) * 1e-5 * 1000.0);
  run_simple_triggers(r->triggers, presentation_event::run);
  if (!still_running()) return;

  // Animated widget meshes loop over key-frame times 100 to 140 once a second.
  const double t = std::fmod(static_cast<double>(clock_ticks(0)) * 1e-5, 1.0);
  const auto anim = static_cast<float>(t * 40.0 + 100.0);
  for (widget* w : widgets)
    for (int s = 0; s < widget_mesh_slots; ++s)
      if (mesh* m = w->get_mesh(s)) m->set_vertex_anim_time(anim);

  if (g_ui_manager.wheel != 0) {
    if (auto* sc = static_cast<scrollable_container*>(nearest_scrollable(widgets, g_ui_manager.mouse_position))) {
      if (scrollbar* bar = sc->scroll_bars[1]; bar && bar->length() > 0.0f) {
        const float move = static_cast<float>(g_ui_manager.wheel) * 0.0005f * (bar->handle_size / bar->length());
        bar->set_value_from_point(bar->handle_point() + move);
        bar->raise_event(ui_event::clicked);
      }
    }
  }

  show_second_text();
  for (std::size_t i = 0; i < widgets.size() && still_running(); ++i) {
    widget* w = widgets[i];
    if (w->take_event(ui_event::clicked)) {
      g_script_state.trigger_param_1 = static_cast<std::int64_t>(i);
      switch (w->get_type()) {
        case widget_type::slider:
        case widget_type::progress_bar:
          g_script_state.trigger_param_2 = static_cast<std::int64_t>(w->get_float_value());
          break;
        case widget_type::combobox: g_script_state.trigger_param_2 = w->get_value(); break;
        case widget_type::game_button: g_script_state.string_registers[0] = w->text; break;
        case widget_type::image_button: {
          const auto* b = static_cast<const button_widget*>(w);
          if (b->button_flags & button_widget::flag_toggle) g_script_state.trigger_param_2 = b->shows_down_look() ? 1 : 0;
          break;
        }
        default: break;
      }
      run_simple_triggers(r->triggers, presentation_event::state_changed);
    } else if (w->take_event(ui_event::enter)) {
      g_script_state.trigger_param_1 = static_cast<std::int64_t>(i);
      g_script_state.trigger_param_2 = 0;
      run_simple_triggers(r->triggers, presentation_event::mouse_enter_leave);
    } else if (w->take_event(ui_event::leave)) {
      g_script_state.trigger_param_1 = static_cast<std::int64_t>(i);
      g_script_state.trigger_param_2 = 1;
      run_simple_triggers(r->triggers, presentation_event::mouse_enter_leave);
    }
  }
}

// --- widget makers ----------------------------------------------------------------------------

std::int32_t presentation::add_widget(std::unique_ptr<widget> w, const ui_vec2& remembered_size) {
  if (g_current_presentation != this || !root || !w) return -1;
  w->set_position({0.0f, 0.0f});
  widgets.push_back(root->add_child(std::move(w)));
  remembered_sizes.push_back(remembered_size);
  second_texts.emplace_back();
  return static_cast<std::int32_t>(widgets.size()) - 1;
}

widget* presentation::find(std::int64_t id) const {
  if (id < 0 || id >= static_cast<std::int64_t>(widgets.size())) return nullptr;
  return widgets[static_cast<std::size_t>(id)];
}

std::int32_t presentation::create_text_overlay(const ruv_string& text, std::uint32_t text_flags) {
  if (g_current_presentation != this) return -1;
  const std::uint32_t f = (text_flags & 0x381cu) | 0x700u;
  auto label = std::make_unique<text_widget>();
  label->set_text_flags(f);
  label->set_text_size({0.9f * text_scale_unit, 0.75f * text_scale_unit});
  if (text_flags & 0x2000u) {
    auto box = std::make_unique<scrollable_container>();
    box->content->add_child(std::move(label));
    box->set_content_text(format_text(text));
    return add_widget(std::move(box), {0.9f, 0.75f});
  }
  label->set_text(format_text(text));
  return add_widget(std::move(label), {0.9f, 0.75f});
}

std::int32_t presentation::create_mesh_overlay(std::int32_t module_mesh) {
  if (g_current_presentation != this) return -1;
  auto w = std::make_unique<text_widget>();
  w->set_text_flags(0x700u);
  if (auto m = instantiate_module_mesh(g_module_meshes, module_mesh)) w->set_mesh_slot(slot_background, std::move(m));
  return add_widget(std::move(w), {1.0f, 1.0f});
}

std::int32_t presentation::create_text_button(const ruv_string& text, std::uint32_t text_flags) {
  if (g_current_presentation != this) return -1;
  auto b = std::make_unique<text_button>();
  b->set_text_flags((text_flags & 0x181cu) | 0x200u);
  b->set_highlight_colour(0xFF55FF50u);
  b->set_text_size({1.0f * text_scale_unit, 0.75f * text_scale_unit});
  b->set_text(format_text(text));
  return add_widget(std::move(b), {1.0f, 0.75f});
}

std::int32_t presentation::create_image_button(std::int32_t normal_mesh, std::int32_t pressed_mesh, bool toggle) {
  if (g_current_presentation != this) return -1;
  auto b = std::make_unique<image_button>();
  b->set_text_flags(0x700u);
  if (auto m = instantiate_module_mesh(g_module_meshes, normal_mesh)) b->set_mesh_slot(slot_up, std::move(m));
  if (auto m = instantiate_module_mesh(g_module_meshes, pressed_mesh)) b->set_mesh_slot(slot_down, std::move(m));
  if (toggle) b->button_flags |= button_widget::flag_toggle;
  return add_widget(std::move(b), {1.0f, 1.0f});
}

std::int32_t presentation::create_slider(std::int32_t lo, std::int32_t hi) {
  if (g_current_presentation != this) return -1;
  auto s = std::make_unique<slider>();
  put_resource_mesh(*s, slot_background, "slider_hor");
  put_resource_mesh(*s, slot_up, "handle_hor");
  s->set_size({0.25f, s->size.y});
  s->float_min = static_cast<float>(lo);
  s->float_max = static_cast<float>(hi);
  s->set_float_value(static_cast<float>(lo));
  return add_widget(std::move(s), {1.0f, 1.0f});
}

std::int32_t presentation::create_progress_bar(std::int32_t lo, std::int32_t hi) {
  if (g_current_presentation != this) return -1;
  auto p = std::make_unique<progress_bar>();
  put_resource_mesh(*p, slot_background, "progressbar", 0.3894f, 1.0f);
  put_resource_mesh(*p, slot_up, "handle_hor");
  p->fill_source = g_ui_manager.resource_mesh("progressbar_handle");
  p->set_size({0.25f, p->size.y});
  p->float_min = static_cast<float>(lo);
  p->float_max = static_cast<float>(hi);
  p->set_float_value(static_cast<float>(lo));
  return add_widget(std::move(p), {1.0f, 1.0f});
}

std::int32_t presentation::create_combobox() {
  if (g_current_presentation != this) return -1;
  auto c = std::make_unique<combobox>();
  put_resource_mesh(*c, slot_up, "button_drop", 1.0f, 0.5f);
  put_resource_mesh(*c, slot_down, "button_drop_clicked", 1.0f, 0.5f);
  put_resource_mesh(*c, slot_hover, "button_drop_hl", 1.0f, 0.5f);
  c->list_meshes = {g_ui_manager.resource_mesh("button_drop_child"),
                    g_ui_manager.resource_mesh("button_drop_child_clicked"),
                    g_ui_manager.resource_mesh("button_drop_child_hl")};
  c->set_text_size({0.02f, 0.02f});
  c->set_text_position({0.02f, 0.013f});
  c->set_text(ruv_string());
  return add_widget(std::move(c), {1.0f, 1.0f});
}

std::int32_t presentation::create_text_box() {
  if (g_current_presentation != this) return -1;
  auto t = std::make_unique<text_box>();
  put_resource_mesh(*t, slot_up, "party_button", 0.5f, 0.5f);
  put_resource_mesh(*t, slot_down, "party_button_down", 0.5f, 0.5f);
  t->set_text_position({0.0f, 0.009f});
  t->set_text_size({0.02f, 0.02f});
  t->set_text(ruv_string());
  return add_widget(std::move(t), {1.0f, 1.0f});
}

std::int32_t presentation::create_medium_button(const ruv_string& text) {
  if (g_current_presentation != this) return -1;
  constexpr ui_vec2 button_size{0.148f, 0.04f};
  auto b = std::make_unique<medium_button>();
  put_resource_mesh(*b, slot_up, "medium_button", 0.5556f, 0.5556f);
  put_resource_mesh(*b, slot_down, "medium_button_down", 0.5556f, 0.5556f);
  b->set_highlight_colour(0xFF007700u);
  b->set_size(button_size);
  b->set_text_flags(0x10u);
  b->set_text(format_text(text));
  return add_widget(std::move(b), button_size);
}

std::int32_t presentation::create_tableau_widget(bool button, std::int32_t module_mesh, std::int32_t tableau,
                                                 std::int64_t object) {
  if (g_current_presentation != this) return -1;
  // Each look gets its own mesh showing the same instance.
  auto look = [&]() -> std::unique_ptr<mesh> {
    if (module_mesh == -1) return g_tableau_manager.make_quad_mesh(tableau, object);
    std::unique_ptr<mesh> m = instantiate_module_mesh(g_module_meshes, module_mesh);
    if (m && !g_tableau_manager.attach_to_mesh(tableau, object, *m)) return nullptr;
    return m;
  };
  std::unique_ptr<mesh> first = look();
  if (!first) return -1;
  if (!button) {
    auto w = std::make_unique<text_widget>();
    w->set_text_flags(0x700u);
    w->set_mesh_slot(slot_background, std::move(first));
    return add_widget(std::move(w), {1.0f, 1.0f});
  }
  auto b = std::make_unique<image_button>();
  b->set_text_flags(0x700u);
  b->set_mesh_slot(slot_up, std::move(first));
  b->set_mesh_slot(slot_down, look());
  return add_widget(std::move(b), {1.0f, 1.0f});
}

void presentation::show_second_text() {
  std::int32_t hovered = -1;
  for (std::size_t i = 0; i < widgets.size() && i < second_texts.size(); ++i)
    if (!second_texts[i].empty() && !widgets[i]->is_hidden() && widgets[i]->contains(g_ui_manager.mouse_position))
      hovered = static_cast<std::int32_t>(i);
  if (hovered == shown_second_text) return;
  shown_second_text = hovered;
  g_ui_manager.reset_overlay_texts(std::move(g_ui_manager.overlay_mesh), true);
  if (hovered >= 0) {
    g_ui_manager.add_overlay_text_line(second_texts[static_cast<std::size_t>(hovered)], 1.0f, 0xFFFFFFFFu, false);
    g_ui_manager.set_overlay_position(g_ui_manager.mouse_position);
  }
  g_ui_manager.rebuild_overlay();
}

void presentation::set_range(std::int64_t id, std::int64_t lo, std::int64_t hi) {
  if (g_current_presentation != this) return;
  widget* w = find(id);
  if (!w || (w->get_type() != widget_type::slider && w->get_type() != widget_type::progress_bar)) return;
  w->float_min = static_cast<float>(lo);
  w->float_max = static_cast<float>(hi);
  const float a = std::min(w->float_min, w->float_max);
  const float b = std::max(w->float_min, w->float_max);
  w->set_float_value(std::clamp(w->get_float_value(), a, b));
}

void presentation::set_widget_frame(std::int64_t id, const frame& f) {
  if (g_current_presentation != this) return;
  widget* w = find(id);
  if (!w) return;
  const int text = w->get_type() == widget_type::text_widget ? -1 : slot_text;
  for (int k = 0; k < widget_mesh_slots; ++k)
    if (mesh* m = w->get_mesh(k); m && k != text) m->local_frame = f;
}

void presentation::set_widget_size(std::int64_t id, const ui_vec2& s) {
  widget* w = find(id);
  if (!w) return;
  ui_vec2& old = remembered_sizes[static_cast<std::size_t>(id)];
  const float rx = old.x != 0.0f ? s.x / old.x : 1.0f;
  const float ry = old.y != 0.0f ? s.y / old.y : 1.0f;
  switch (w->get_type()) {
    case widget_type::container:
    case widget_type::text_button: w->set_text_size({s.x * text_scale_unit, s.y * text_scale_unit}); break;
    case widget_type::text_widget: scale_meshes(*w, {slot_background}, rx, ry); break;
    case widget_type::image_button: scale_meshes(*w, {slot_up, slot_down}, rx, ry); break;
    case widget_type::medium_button:
      scale_meshes(*w, {slot_up, slot_down}, rx, ry);
      w->set_size(s);
      w->set_text(ruv_string(w->text));
      break;
    case widget_type::slider:
    case widget_type::progress_bar: {
      scale_meshes(*w, {slot_background, slot_down, slot_up}, rx, ry);
      w->update_bounds();
      w->set_size({s.x * 0.25f, w->size.y});
      if (w->get_type() == widget_type::progress_bar) {
        auto* p = static_cast<progress_bar*>(w);
        p->fill_scale[0] *= rx;
        p->fill_scale[1] *= ry;
        p->value_last_drawn = fill_rebuild_marker;
      }
      break;
    }
    case widget_type::combobox:
      scale_meshes(*w, {slot_up, slot_down, slot_hover}, rx, ry);
      w->set_text_size({s.x * 0.02f, s.y * 0.02f});
      w->set_text_position({s.x * 0.02f, s.y * 0.013f});
      break;
    case widget_type::game_button:
      scale_meshes(*w, {slot_up, slot_down}, rx, ry);
      w->set_text_size({s.x * 0.02f, s.y * 0.02f});
      w->set_text_position({w->text_position.x, s.y * 0.009f});
      break;
    default: break;
  }
  old = s;
}

void presentation::set_container_scroll(std::int64_t id, const ui_vec2& p) {
  widget* w = find(id);
  if (!w || w->get_type() != widget_type::scrollable_container) return;
  auto* sc = static_cast<scrollable_container*>(w);
  for (int a = 0; a < 2; ++a) {
    scrollbar* bar = sc->scroll_bars[a];
    const float room = a ? sc->content->size.y - sc->content->extent_min.y - sc->size.y
                         : sc->content->size.x - sc->content->extent_min.x - sc->size.x;
    if (!bar || room <= 0.0f) continue;
    bar->set_float_value(((a ? p.y : p.x) - (a ? sc->content->extent_min.y : sc->content->extent_min.x)) / room);
  }
}

std::int32_t presentation::create_widget(presentation_widget_kind kind, const ruv_string& text, std::int64_t a,
                                         std::int64_t b) {
  const auto i = [](std::int64_t v) { return static_cast<std::int32_t>(v); };
  switch (kind) {
    case presentation_widget_kind::text: return create_text_overlay(text, static_cast<std::uint32_t>(a));
    case presentation_widget_kind::mesh: return create_mesh_overlay(i(a));
    case presentation_widget_kind::text_button: return create_text_button(text, static_cast<std::uint32_t>(a));
    case presentation_widget_kind::image_button: return create_image_button(i(a), i(b), false);
    case presentation_widget_kind::check_box: return create_image_button(i(a), i(b), true);
    case presentation_widget_kind::slider: return create_slider(i(a), i(b));
    case presentation_widget_kind::progress_bar: return create_progress_bar(i(a), i(b));
    case presentation_widget_kind::combobox: return create_combobox();
    case presentation_widget_kind::text_box: return create_text_box();
    case presentation_widget_kind::medium_button: return create_medium_button(text);
  }
  return -1;
}

void presentation::set_property(presentation_property p, std::int64_t id, const ruv_string& text, std::int64_t value,
                                const ui_vec2& xy, float seconds) {
  if (g_current_presentation != this) return;
  widget* w = find(id);
  if (!w) return;
  const auto v = static_cast<std::uint32_t>(value);
  const bool animate = seconds > 0.0f;
  switch (p) {
    case presentation_property::text: w->set_text(text); break;
    case presentation_property::colour:
      animate ? w->animate_colour(seconds, with_part(w->colour, v, false)) : w->set_colour(with_part(w->colour, v, false));
      break;
    case presentation_property::alpha:
      animate ? w->animate_alpha(seconds, with_part(w->colour, v, true)) : w->set_colour(with_part(w->colour, v, true));
      break;
    case presentation_property::highlight_colour: {
      const std::uint32_t c = with_part(w->highlight_colour, v, false);
      animate ? w->animate_highlight_colour(seconds, c) : w->set_highlight_colour(c);
      break;
    }
    case presentation_property::highlight_alpha: {
      const std::uint32_t c = with_part(w->highlight_colour, v, true);
      animate ? w->animate_highlight_alpha(seconds, c) : w->set_highlight_colour(c);
      break;
    }
    case presentation_property::size:
      if (animate)
        w->animate_text_scale(seconds, xy);
      else
        set_widget_size(id, xy);
      break;
    case presentation_property::position:
      if (animate)
        w->animate_position(seconds, xy);
      else
        w->set_position(xy);
      break;
    case presentation_property::value:
      if (w->get_type() == widget_type::slider || w->get_type() == widget_type::progress_bar)
        w->set_float_value(static_cast<float>(value));
      else
        w->set_value(static_cast<std::int32_t>(value));
      break;
    case presentation_property::scroll: set_container_scroll(id, xy); break;
    case presentation_property::range: break;  // two values: set_range
    case presentation_property::second_text:
      if (w->get_type() == widget_type::text_widget) second_texts[static_cast<std::size_t>(id)] = text;
      break;
  }
}

}  // namespace hm
