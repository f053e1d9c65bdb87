#include "shell/launcher/launcher_dialog.h"

#include <cstdio>

#include "engine/core/text_format.h"
#include "module/text/translation_table.h"
#include "shell/launcher/launcher_model.h"

namespace hm {

namespace {

std::string tr(const char* key) { return std::string(g_translation_table.get_string_by_id(key).view()); }

std::string version_text() {
  char number[16];
  std::snprintf(number, sizeof number, "%d.%03d", program_version / 1000, program_version % 1000);
  return format_text(tr("ui_version_value"), {number});
}

std::string version_message(std::int32_t latest) {
  switch (judge_version(latest)) {
    case version_check_result::new_version:
      return tr("ui_new_version_found") + "\n" + format_text(tr("ui_notification_new_version"), {latest});
    case version_check_result::up_to_date:
      return tr("ui_hoofmarch_is_up_to_date") + "\n" + tr("ui_notification_latest_version");
    case version_check_result::unable_to_retrieve:
      break;
  }
  return tr("ui_new_version") + "\n" + tr("ui_notification_unable_to_retreive_new_version");
}

bool checkbox(platform::dialog_ui& ui, const char* key, std::int32_t& setting, bool inverted) {
  bool checked = inverted ? setting == 0 : setting != 0;
  if (!ui.checkbox(tr(key).c_str(), checked)) return false;
  setting = (checked != inverted) ? 1 : 0;
  return true;
}

}  // namespace

launcher_dialog make_launcher_dialog(std::int32_t display_memory_megabytes, std::vector<std::string> display_modes) {
  launcher_dialog d;
  d.modules = launcher_modules();
  d.selected = launcher_selection(d.modules, read_last_module());
  d.version_address = read_version_address();
  d.display_memory_megabytes = display_memory_megabytes;
  d.display_modes = std::move(display_modes);
  if (d.modules.empty()) d.message = tr("ui_there_are_no_modules_installed");
  return d;
}

std::optional<platform::dialog_result> lay_out_launcher(launcher_dialog& d, platform::dialog_ui& ui) {
  if (d.configuring) {
    const auto result = lay_out_configuration(*d.configuring, ui);
    if (result) d.configuring.reset();
    return std::nullopt;
  }
  if (!d.modules.empty()) {
    int chosen = d.selected < 0 ? 0 : d.selected;
    if (ui.combo(tr("ui_current_setting").c_str(), d.modules, chosen, d.modules.size() > 1))
      d.selected = chosen;
  }
  ui.separator();
  if (!d.modules.empty() && ui.button(tr("ui_play").c_str())) {
    // With one module the list is not consulted; a selection outside the list
    // is held to it.
    int index = d.modules.size() > 1 ? d.selected : 0;
    if (index < 0 || static_cast<std::size_t>(index) >= d.modules.size()) index = 0;
    d.chosen_module = d.modules[static_cast<std::size_t>(index)];
    // A settings store that cannot be written loses only the remembered choice.
    write_last_module(d.chosen_module);
    return platform::dialog_result::ok;
  }
  ui.same_line();
  if (ui.button(tr("ui_configure").c_str())) {
    configuration_dialog c;
    c.copy = load_configuration_copy(d.display_memory_megabytes);
    c.display_memory_megabytes = d.display_memory_megabytes;
    c.modes = d.display_modes;
    c.frame_rate_field = c.copy.max_framerate;
    d.configuring = std::move(c);
    return std::nullopt;
  }
  if (!d.version_address.empty()) {
    ui.same_line();
    if (ui.button(tr("ui_check_for_new_version").c_str()))
      d.message = version_message(get_latest_version(d.version_address, d.timeout_ms));
  }
  ui.same_line();
  if (ui.button(tr("ui_cancel2").c_str())) return platform::dialog_result::cancel;
  ui.text(version_text());
  if (!d.message.empty()) ui.note(d.message);
  return std::nullopt;
}

std::optional<platform::dialog_result> lay_out_configuration(configuration_dialog& d, platform::dialog_ui& ui) {
  ruv_config& c = d.copy;
  ui.group(tr("ui_video").c_str());
  ui.slider_int(tr("ui_texture_detail").c_str(), c.texture_detail, 0, 100);
  checkbox(ui, "ui_enable_pixel_shaders", c.use_pixel_shaders, false);
  {
    int path = c.use_vertex_shaders != 0 ? 1 : 0;
    if (ui.combo(tr("ui_enable_vertex_shaders").c_str(), {tr("ui_directx_7"), tr("ui_directx_9")}, path, true))
      c.use_vertex_shaders = path;
  }
  checkbox(ui, "ui_start_windowed", c.start_windowed, false);
  {
    std::int32_t typed = d.frame_rate_field;
    if (ui.input_int(tr("ui_max_frame_rate").c_str(), typed)) {
      // A rate outside 10..999 is refused in place: the field shows the copy's.
      if (frame_rate_acceptable(typed)) c.max_framerate = typed;
      d.frame_rate_field = c.max_framerate;
    } else {
      d.frame_rate_field = typed;
    }
  }
  checkbox(ui, "ui_show_framerate", c.show_framerate, false);
  checkbox(ui, "ui_force_vsync", c.force_vsync, false);
  {
    std::vector<std::string> screens{tr("ui_use_desktop_resolution")};
    screens.insert(screens.end(), d.modes.begin(), d.modes.end());
    int index = screen_choice(d);
    if (ui.combo(tr("ui_screen_size").c_str(), screens, index, true)) choose_screen(d, index);
  }
  {
    std::vector<std::string> counts{tr("ui_off")};
    int index = 0;
    for (std::size_t i = 1; i < std::size(antialiasing_choices); ++i) {
      counts.push_back(std::to_string(antialiasing_choices[i]));
      if (c.antialiasing == antialiasing_choices[i]) index = static_cast<int>(i);
    }
    if (ui.combo(tr("ui_antialiasing").c_str(), counts, index, true))
      c.antialiasing = antialiasing_choices[static_cast<std::size_t>(index)];
  }
  {
    int quality = c.shadowmap_quality < 0 ? 0 : (c.shadowmap_quality > 2 ? 2 : c.shadowmap_quality);
    if (ui.combo(tr("ui_shadow_quality").c_str(), {tr("ui_m_low"), tr("ui_m_high"), tr("ui_m_ultra_high")}, quality,
                 true))
      c.shadowmap_quality = quality;
  }
  ui.group(tr("ui_audio").c_str());
  checkbox(ui, "ui_disable_sound", c.disable_sound, false);
  checkbox(ui, "ui_disable_music", c.disable_music, false);
  checkbox(ui, "ui_enable_sound_variation", c.disable_frequency_variation, true);
  ui.group(tr("ui_game").c_str());
  checkbox(ui, "ui_disable_blood", c.enable_blood, true);
  checkbox(ui, "ui_enable_cheats", c.cheat_mode, false);
  checkbox(ui, "ui_enable_edit_mode", c.enable_edit_mode, false);
  ui.group(tr("ui_advanced").c_str());
  checkbox(ui, "ui_force_single_threading", c.force_single_threading, false);
  ui.separator();
  if (ui.button(tr("ui_ok2").c_str())) {
    if (frame_rate_acceptable(d.frame_rate_field)) c.max_framerate = d.frame_rate_field;
    c.max_framerate = c.max_framerate < 10 ? 10 : (c.max_framerate > 999 ? 999 : c.max_framerate);
    if (save_ruv_config(c)) return platform::dialog_result::ok;
    d.failure = format_text(tr("ui_unable_to_save_settings"), {std::string("ruv_config.txt")});
  }
  ui.same_line();
  if (ui.button(tr("ui_cancel2").c_str())) return platform::dialog_result::cancel;
  ui.same_line();
  if (ui.button(tr("ui_auto_adjust").c_str())) {
    c.first_time = 0;
    probe_display_memory(c, true, d.display_memory_megabytes);
  }
  if (!d.failure.empty()) ui.note(d.failure);
  return std::nullopt;
}

std::optional<std::string> run_launcher(std::int32_t display_memory_megabytes,
                                        std::vector<std::string> display_modes) {
  launcher_dialog d = make_launcher_dialog(display_memory_megabytes, std::move(display_modes));
  ruv_config start;
  if (!prepare_launcher_settings(start, display_memory_megabytes))
    d.message = format_text(tr("ui_unable_to_save_settings"), {std::string("ruv_config.txt")});
  const platform::dialog_result result =
      platform::run_modal_dialog("Hoofmarch", 560, 420, [&](platform::dialog_ui& ui) { return lay_out_launcher(d, ui); });
  if (result != platform::dialog_result::ok || d.chosen_module.empty()) return std::nullopt;
  return d.chosen_module;
}

}  // namespace hm
