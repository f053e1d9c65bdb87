#include "engine/app/device_settings_dialog.h"

#include "platform/window.h"

#include <algorithm>
#include <cstdio>

#include "platform/dialog.h"

namespace hm {
namespace {

std::uint64_t value_of(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
template <typename T>
T* pointer_of(std::uint64_t v) {
  return reinterpret_cast<T*>(static_cast<std::uintptr_t>(v));
}

std::uint64_t size_value(std::uint32_t width, std::uint32_t height) {
  return static_cast<std::uint64_t>(height) * 65536 + width;
}

std::string size_text(std::uint32_t width, std::uint32_t height) {
  char text[64];
  std::snprintf(text, sizeof text, "%u by %u", width, height);
  return text;
}

std::string rate_text(std::uint32_t rate) {
  if (rate == 0) return "Default Rate";
  char text[32];
  std::snprintf(text, sizeof text, "%u Hz", rate);
  return text;
}

}  // namespace

const std::vector<std::pair<int, const char*>>& device_settings_dialog::layout() {
  static const std::vector<std::pair<int, const char*>> lists = {
      {list_adapter, "&Adapter:"},
      {list_device, "&Device:"},
      {list_adapter_format, "Adapter format:"},
      {list_resolution, "Resolution:"},
      {list_refresh_rate, "Refresh rate:"},
      {list_back_buffer_format, "Back buffer format:"},
      {list_depth_stencil_format, "Depth/stencil format:"},
      {list_multisample_type, "&Multisample Type:"},
      {list_multisample_quality, "Multisample quality:"},
      {list_vertex_processing, "Vertex processing:"},
      {list_present_interval, "Present interval:"},
  };
  return lists;
}

device_settings_dialog::device_settings_dialog(const device_enumeration& enumeration, const device_settings& settings)
    : enumeration_(enumeration), settings_(settings) {
  for (const auto& [id, label] : layout()) {
    list l;
    l.id = id;
    lists_.push_back(l);
  }
  std::vector<item> adapters;
  for (const auto& a : enumeration_.adapters) {
    std::string text = a->identifier.description.substr(0, 511);
    adapters.push_back({text, value_of(a.get())});
  }
  std::uint64_t current = 0;
  if (const device_combination* c = half().combination)
    if (const adapter_info* a = enumeration_.find_adapter(c->adapter_ordinal)) current = value_of(a);
  fill(list_adapter, std::move(adapters), current);
  run_pending();
}

device_settings_dialog::list& device_settings_dialog::at(int id) {
  for (auto& l : lists_)
    if (l.id == id) return l;
  return lists_.front();
}

const device_settings_dialog::list& device_settings_dialog::get(int id) const {
  for (const auto& l : lists_)
    if (l.id == id) return l;
  return lists_.front();
}

void device_settings_dialog::fill(int id, std::vector<item> items, std::uint64_t current, bool once) {
  list& l = at(id);
  l.items.clear();
  l.selected = -1;
  for (auto& it : items) {
    if (once && std::any_of(l.items.begin(), l.items.end(), [&](const item& o) { return o.text == it.text; }))
      continue;
    l.items.push_back(std::move(it));
  }
  int chosen = -1;
  for (std::size_t i = 0; i < l.items.size(); ++i)
    if (l.items[i].value == current) {
      chosen = static_cast<int>(i);
      break;
    }
  if (chosen < 0 && !l.items.empty()) chosen = 0;
  if (chosen >= 0) select(id, chosen);
}

void device_settings_dialog::select(int id, int index) {
  list& l = at(id);
  if (index < 0 || index >= static_cast<int>(l.items.size())) return;
  l.selected = index;
  pending_.push_back(id);
}

void device_settings_dialog::choose(int id, int index) {
  const list& l = at(id);
  if (!l.enabled) return;
  message_.clear();
  select(id, index);
  run_pending();
}

void device_settings_dialog::choose_windowed(bool windowed) {
  if (windowed ? !window_enabled_ : !fullscreen_enabled_) return;
  message_.clear();
  window_checked_ = windowed;
  mode_step();
  run_pending();
}

bool device_settings_dialog::press_ok() {
  // A combination that does not belong to the chosen adapter and device would
  // hand the device creation a mismatch: the user is told instead of the
  // choice vanishing when the dialog closes.
  message_ = settings_half_problem(settings_.current(), enumeration_.uses_depth_buffer);
  return message_.empty();
}

void device_settings_dialog::run_pending() {
  // A selection made by a step runs its own step only after that step ended.
  while (!pending_.empty()) {
    const int id = pending_.front();
    pending_.pop_front();
    run_step(id);
  }
}

void device_settings_dialog::run_step(int id) {
  const list& l = at(id);
  if (l.selected < 0 || l.selected >= static_cast<int>(l.items.size())) return;
  const std::uint64_t value = l.items[static_cast<std::size_t>(l.selected)].value;
  switch (id) {
    case list_adapter: {
      adapter_ = pointer_of<const adapter_info>(value);
      device_ = nullptr;
      std::vector<item> devices;
      for (const auto& d : adapter_->devices) devices.push_back({device_type_name(d->type), value_of(d.get())});
      std::uint64_t current = 0;
      if (const device_combination* c = half().combination)
        for (const auto& d : adapter_->devices)
          if (d->type == c->type) current = value_of(d.get());
      fill(list_device, std::move(devices), current);
      break;
    }
    case list_device:
      device_ = pointer_of<const device_info>(value);
      device_step();
      break;
    case list_adapter_format: {
      const auto fmt = static_cast<gpu::format>(value);
      if (!settings_.is_windowed) {
        settings_.fullscreen.display_mode.fmt = fmt;
        std::vector<item> sizes;
        for (const auto& m : adapter_->display_modes)
          if (m.fmt == fmt) sizes.push_back({size_text(m.width, m.height), size_value(m.width, m.height)});
        const auto& mode = settings_.fullscreen.display_mode;
        fill(list_resolution, std::move(sizes), size_value(mode.width, mode.height), true);
      }
      // The back-buffer formats of the device's combinations of this kind.
      std::vector<item> formats;
      if (device_)
        for (const auto& c : device_->combinations)
          if (c->windowed == settings_.is_windowed && c->adapter_format == half().display_mode.fmt)
            formats.push_back({format_name(c->back_buffer_format), static_cast<std::uint64_t>(c->back_buffer_format)});
      const std::uint64_t current =
          half().combination ? static_cast<std::uint64_t>(half().combination->back_buffer_format) : 0;
      fill(list_back_buffer_format, std::move(formats), current, true);
      break;
    }
    case list_resolution: {
      if (settings_.is_windowed) break;
      auto& mode = settings_.fullscreen.display_mode;
      mode.width = static_cast<std::uint32_t>(value & 0xFFFF);
      mode.height = static_cast<std::uint32_t>(value >> 16);
      std::vector<item> rates;
      for (const auto& m : adapter_->display_modes)
        if (m.fmt == mode.fmt && m.width == mode.width && m.height == mode.height)
          rates.push_back({rate_text(m.refresh_rate), m.refresh_rate});
      fill(list_refresh_rate, std::move(rates), mode.refresh_rate, true);
      break;
    }
    case list_refresh_rate:
      if (!settings_.is_windowed) settings_.fullscreen.display_mode.refresh_rate = static_cast<std::uint32_t>(value);
      break;
    case list_back_buffer_format: {
      if (!device_) break;
      device_combination* combo = find_combination(*device_, settings_.is_windowed, half().display_mode.fmt,
                                                   static_cast<gpu::format>(value));
      if (!combo) break;
      half().combination = combo;
      std::vector<item> depth;
      if (enumeration_.uses_depth_buffer) {
        for (gpu::format f : combo->depth_stencil_formats) depth.push_back({format_name(f), static_cast<std::uint64_t>(f)});
        fill(list_depth_stencil_format, std::move(depth), static_cast<std::uint64_t>(half().depth_stencil_format));
        at(list_depth_stencil_format).enabled = true;
      } else {
        fill(list_depth_stencil_format, {{"(not used)", 0}}, 0);
        at(list_depth_stencil_format).enabled = false;
      }
      std::vector<item> processing;
      for (gpu::vertex_processing v : combo->vertex_processing_types)
        processing.push_back({vertex_processing_name(v), static_cast<std::uint64_t>(v)});
      fill(list_vertex_processing, std::move(processing), static_cast<std::uint64_t>(half().processing));
      std::vector<item> intervals;
      for (gpu::present_interval i : combo->present_intervals)
        intervals.push_back({present_interval_name(i), static_cast<std::uint64_t>(i)});
      fill(list_present_interval, std::move(intervals), static_cast<std::uint64_t>(half().interval));
      break;
    }
    case list_depth_stencil_format: {
      if (enumeration_.uses_depth_buffer) half().depth_stencil_format = static_cast<gpu::format>(value);
      // The multisample list is filled with or without a depth buffer, so that a
      // combination's multisample settings always come from that combination.
      const device_combination* combo = half().combination;
      if (!combo) break;
      std::vector<item> types;
      for (gpu::multisample_type t : combo->multisample_types) {
        const bool conflict =
            enumeration_.uses_depth_buffer &&
            std::find(combo->depth_multisample_conflicts.begin(), combo->depth_multisample_conflicts.end(),
                      std::make_pair(half().depth_stencil_format, t)) != combo->depth_multisample_conflicts.end();
        if (!conflict) types.push_back({multisample_type_name(t), static_cast<std::uint64_t>(t)});
      }
      fill(list_multisample_type, std::move(types), static_cast<std::uint64_t>(half().multisample));
      break;
    }
    case list_multisample_type: {
      half().multisample = static_cast<gpu::multisample_type>(value);
      std::uint32_t levels = 0;
      if (const device_combination* combo = half().combination)
        for (std::size_t i = 0; i < combo->multisample_types.size(); ++i)
          if (combo->multisample_types[i] == half().multisample) levels = combo->multisample_qualities[i];
      std::vector<item> qualities;
      for (std::uint32_t q = 0; q < levels; ++q) qualities.push_back({std::to_string(q), q});
      fill(list_multisample_quality, std::move(qualities), half().multisample_quality);
      break;
    }
    case list_multisample_quality: half().multisample_quality = static_cast<std::uint32_t>(value); break;
    case list_vertex_processing: half().processing = static_cast<gpu::vertex_processing>(value); break;
    case list_present_interval: half().interval = static_cast<gpu::present_interval>(value); break;
    default: break;
  }
}

void device_settings_dialog::device_step() {
  bool has_windowed = false;
  bool has_fullscreen = false;
  for (const auto& c : device_->combinations) (c->windowed ? has_windowed : has_fullscreen) = true;
  window_enabled_ = has_windowed;
  fullscreen_enabled_ = has_fullscreen;
  window_checked_ = settings_.is_windowed && has_windowed;
  mode_step();
}

void device_settings_dialog::mode_step() {
  if (!adapter_ || !device_) return;
  const std::vector<int> mode_lists = {list_adapter_format, list_resolution, list_refresh_rate};
  // A half that changes adapter or device keeps no combination of the old one.
  auto take = [&](device_settings_half& h) {
    if (h.device != device_) h.combination = nullptr;
    h.adapter = const_cast<adapter_info*>(adapter_);
    h.device = const_cast<device_info*>(device_);
  };
  if (window_checked_) {
    settings_.is_windowed = true;
    take(settings_.windowed);
    const auto& mode = settings_.windowed.display_mode;
    fill(list_adapter_format, {{format_name(mode.fmt), static_cast<std::uint64_t>(mode.fmt)}},
         static_cast<std::uint64_t>(mode.fmt));
    fill(list_resolution, {{size_text(mode.width, mode.height), size_value(mode.width, mode.height)}},
         size_value(mode.width, mode.height));
    fill(list_refresh_rate, {{rate_text(mode.refresh_rate), mode.refresh_rate}}, mode.refresh_rate);
    for (int id : mode_lists) at(id).enabled = false;
  } else {
    settings_.is_windowed = false;
    take(settings_.fullscreen);
    std::vector<item> formats;
    for (const auto& c : device_->combinations)
      if (!c->windowed) formats.push_back({format_name(c->adapter_format), static_cast<std::uint64_t>(c->adapter_format)});
    fill(list_adapter_format, std::move(formats), static_cast<std::uint64_t>(settings_.fullscreen.display_mode.fmt),
         true);
    for (int id : mode_lists) at(id).enabled = true;
  }
}

std::optional<platform::dialog_result> lay_out_device_settings_panel(device_settings_dialog& dialog,
                                                                     platform::dialog_ui& ui) {
  ui.group("Rendering device");
  for (int id : {device_settings_dialog::list_adapter, device_settings_dialog::list_device}) {
    for (const auto& [list_id, label] : device_settings_dialog::layout()) {
      if (list_id != id) continue;
      const auto& l = dialog.get(id);
      std::vector<std::string> texts;
      for (const auto& it : l.items) texts.push_back(it.text);
      int selected = l.selected;
      if (ui.combo(label, texts, selected, l.enabled)) dialog.choose(id, selected);
    }
  }
  ui.group("Rendering mode");
  if (ui.radio("Use desktop &window", dialog.window_button_checked(), dialog.window_button_enabled()))
    dialog.choose_windowed(true);
  if (ui.radio("&Fullscreen mode:", !dialog.window_button_checked(), dialog.fullscreen_button_enabled()))
    dialog.choose_windowed(false);
  for (const auto& [id, label] : device_settings_dialog::layout()) {
    if (id == device_settings_dialog::list_adapter || id == device_settings_dialog::list_device) continue;
    if (id == device_settings_dialog::list_multisample_type) ui.group("Multisample");
    const auto& l = dialog.get(id);
    std::vector<std::string> texts;
    for (const auto& it : l.items) texts.push_back(it.text);
    int selected = l.selected;
    if (ui.combo(label, texts, selected, l.enabled)) dialog.choose(id, selected);
  }
  ui.separator();
  if (!dialog.message().empty()) ui.note(dialog.message());
  if (ui.button("OK") && dialog.press_ok()) return platform::dialog_result::ok;
  ui.same_line();
  if (ui.button("Cancel")) return platform::dialog_result::cancel;
  return std::nullopt;
}

bool run_device_settings_panel(const device_enumeration& enumeration, device_settings& settings,
                               platform::window* owner) {
  if (!platform::dialogs_enabled()) return false;
  device_settings_dialog dialog(enumeration, settings);
  const platform::dialog_result r = platform::run_modal_dialog(
      "Select Device", 520, 560,
      [&](platform::dialog_ui& ui) { return lay_out_device_settings_panel(dialog, ui); });
  // The panel had the focus; without a window manager to hand it back, the game
  // would stay paused as an inactive window.
  if (owner) owner->raise_and_focus();
  if (r != platform::dialog_result::ok) return false;
  settings = dialog.result();
  return true;
}

}  // namespace hm
