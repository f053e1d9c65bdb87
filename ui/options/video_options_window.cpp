#include "ui/options/video_options_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/core/text_format.h"
#include "engine/settings/game_options.h"
#include "engine/settings/ruv_config.h"
#include "module/text/translation_table.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/front_menus.h"
#include "ui/options/option_makers.h"
#include "ui/options/options_window.h"
#include "ui/options/settings_notice.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"
#include "engine/resource/mesh.h"

namespace hm {

namespace {

constexpr std::uint32_t kTextColour = 0xFFDFCFBFu;

video_options_host* g_host = nullptr;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

bool changed(widget* w) { return w && w->take_event(ui_event::clicked); }

ruv_string percentage_text(std::int32_t value) {
  return ruv_string(format_text(tr("ui_percentage_value").view(), {value}));
}

combobox* make_choice(container& parent, const char* name, float x, float y, std::initializer_list<const char*> items,
                      std::int32_t value) {
  combobox* box = make_combobox(parent, ruv_string(name), x, y);
  for (const char* item : items) box->add_item(item[0] == 'u' && item[1] == 'i' ? tr(item) : ruv_string(item));
  box->set_value(value);
  return box;
}

slider* make_range_slider(container& parent, float y, float low, float high, float value) {
  slider* s = make_slider(parent, 0.56f, y, 1.0f);
  s->float_min = low;
  s->float_max = high;
  s->set_float_value(std::clamp(value, low, high));
  return s;
}

}  // namespace

video_options_host* current_video_options_host() { return g_host; }

video_options_host* set_video_options_host(video_options_host* host) {
  video_options_host* previous = g_host;
  g_host = host;
  return previous;
}

std::int32_t estimate_performance(const game_options& o, const ruv_config& c, bool pixel_shaders, bool device_flag) {
  double a = o.character_shadows == 0 ? 100.0 : 100.0 + 5.0 * o.character_shadow_detail;
  a += 5.0 * o.blood_stains + 6.0 * o.particle_systems + 0.2 * std::min(o.corpse_limit, 100) +
       std::min(o.ragdoll_limit, 5) + 0.1 * o.grass_density + 10.0 * o.character_detail;
  if (o.environment_shadows != 0) {
    if (c.active_shadowmap_quality >= 2) a += 3.0;
    if (pixel_shaders)
      a *= device_flag ? 1.1 : 1.25;
    else
      a += 4.0;
  }
  if (o.plant_shadows == 2 && pixel_shaders) a *= device_flag ? 1.1 : 1.2;
  if (pixel_shaders) a *= 1.0 + 0.65 * (1 - c.fake_reflections);
  a *= 1.0 + 0.03 * o.anisotropic_filtering;
  a *= (c.texture_detail + 400) * 0.002;
  double w = c.display_width, h = c.display_height;
  if (c.display_width <= 0) {
    w = 1280.0;
    h = 1024.0;
  }
  const double cost = a * (w + 300.0) / 1100.0 * (h + 250.0) / 850.0;
  if (!(cost > 0.0)) return 0;
  const double figure = 30000.0 / cost;
  return figure >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(figure);
}

std::string gamma_text(float gamma) {
  const std::string digits = std::to_string(static_cast<std::int32_t>(gamma * 100.0f));
  const std::string text = digits.substr(0, 1) + "." + digits.substr(1);
  return text == "2.20" ? std::string() : text;
}

void parse_resolution(const std::string& item, std::int32_t& width, std::int32_t& height) {
  const std::size_t x = item.find('x');
  const std::string before = item.substr(0, x);
  std::string after = x == std::string::npos ? std::string() : item.substr(x + 1);
  after = after.substr(0, after.find(' '));
  // Held to a size a display can have; an absurd number is not a size.
  width = static_cast<std::int32_t>(std::clamp(std::strtol(before.c_str(), nullptr, 10), 0L, 65535L));
  height = static_cast<std::int32_t>(std::clamp(std::strtol(after.c_str(), nullptr, 10), 0L, 65535L));
  // Only leading digits count: "-5" or " 5" is not a size.
  if (before.empty() || before[0] < '0' || before[0] > '9') width = 0;
  if (after.empty() || after[0] < '0' || after[0] > '9') height = 0;
}

void video_options_window::build() {
  closing = false;
  settings_notice_pending = false;
  initial_texture_detail = g_ruv_config.texture_detail;
  window_container* r = make_options_root(kTextColour);
  root = r;
  game_options& o = g_game_options;
  ruv_config& c = g_ruv_config;

  done_button = make_medium_button(*r, tr("ui_done"), 0.75f, 0.02f, 0.05f);
  renderer_text = make_text_label(*r, ruv_string(c.use_vertex_shaders ? "DirectX 9" : "DirectX 7"), 0.52f, 0.7f, 0.3f,
                                  0.035f);
  renderer_text->set_text_flags(ui_text_flag::align_left);
  renderer_text->set_colour(kTextColour);

  auto label = [&](const char* key, float y) { return make_option_label(*r, key, 0.2f, y, 0.3f, 0.035f); };
  auto value_text = [&](float y) {
    widget* t = make_text_label(*r, ruv_string(), 0.823f, y, 0.3f, 0.035f);
    t->set_text_flags(ui_text_flag::align_left);
    t->set_colour(kTextColour);
    return t;
  };
  label("ui_enable_vertex_shaders2", 0.7f);
  label("ui_screen_size2", 0.66f);
  gamma_label = label("ui_gamma", 0.62f);
  gamma_value_text = value_text(0.615f);
  label("ui_shadow_quality2", 0.58f);
  label("ui_texture_detail", 0.54f);
  texture_detail_text = value_text(0.535f);
  texture_detail_text->set_text(percentage_text(c.texture_detail));
  label("ui_grass_density", 0.5f);
  grass_density_text = value_text(0.495f);
  grass_density_text->set_text(percentage_text(o.grass_density));
  label("ui_character_detail", 0.46f);
  make_option_label(*r, "ui_low", 0.52f, 0.45f, 0.03f, 0.05f);
  make_option_label(*r, "ui_high", 0.823f, 0.45f, 0.03f, 0.05f);
  label("ui_character_shadow_detail", 0.42f);
  make_option_label(*r, "ui_low", 0.52f, 0.41f, 0.03f, 0.05f);
  make_option_label(*r, "ui_high", 0.823f, 0.41f, 0.03f, 0.05f);
  const struct {
    const char* key;
    float y;
  } rows[] = {{"ui_number_of_corpses", 0.38f},   {"ui_number_of_ragdolls", 0.34f},
              {"ui_blood_stains", 0.3f},         {"ui_dynamic_lighting", 0.26f},
              {"ui_character_shadows", 0.22f},   {"ui_environment_shadows", 0.18f},
              {"ui_realistic_shadows_on_plants", 0.14f}, {"ui_particle_systems", 0.1f},
              {"ui_anisotropic_filtering", 0.06f}, {"ui_fast_water_reflection", 0.02f}};
  for (const auto& row : rows) label(row.key, row.y);

  performance_text = make_text_label(*r, ruv_string(), 0.68f, 0.08f, 0.3f, 0.035f);
  performance_text->set_text_flags(ui_text_flag::centre);
  performance_text->set_colour(kTextColour);

  change_button = make_medium_button(*r, tr("ui_change"), 0.65f, 0.705f, 0.035f);

  resolution_box = make_combobox(*r, ruv_string("Resolution"), 0.52f, 0.665f);
  for (int slot : {slot_up, slot_down, slot_hover}) {
    if (mesh* m = resolution_box->get_mesh(slot)) m->scale(0.7f, 0.7f, 1.0f);
  }
  resolution_box->set_text_size({0.014f, 0.014f});
  resolution_box->set_text_position({0.014f, 0.00805f});
  // A smaller list to match the smaller box.
  for (float& v : resolution_box->layout) v *= 0.7f;
  const std::vector<std::string> modes = g_host ? g_host->display_modes() : std::vector<std::string>();
  char current[32];
  std::snprintf(current, sizeof current, "%dx%d", c.display_width, c.display_height);
  for (auto it = modes.rbegin(); it != modes.rend(); ++it) {
    const bool wanted = it->find("32 bits") != std::string::npos ||
                        (c.display_bits == 16 && it->find("16 bits") != std::string::npos);
    if (!wanted) continue;
    resolution_box->add_item(ruv_string(*it));
    if (it->find(current) != std::string::npos)
      resolution_box->set_value(static_cast<std::int32_t>(resolution_box->items.size()) - 1);
  }
  resolution_box->add_item(tr("ui_use_desktop_resolution2"));
  if (c.display_width == 0) resolution_box->set_value(static_cast<std::int32_t>(resolution_box->items.size()) - 1);

  gamma_slider = make_range_slider(*r, 0.625f, 1.5f, 2.5f, o.gamma);
  show_gamma();
  shadow_quality_box = make_choice(*r, "ShadowQ", 0.52f, 0.585f, {"ui_m_ultra_high2", "ui_m_high2", "ui_m_low2"},
                                   2 - std::clamp(c.active_shadowmap_quality, 0, 2));
  // The screen's range is 10..100; the stored value keeps its own until moved.
  texture_detail_slider = make_range_slider(*r, 0.545f, 10.0f, 100.0f, static_cast<float>(c.texture_detail));
  grass_density_slider = make_range_slider(*r, 0.505f, 0.0f, 100.0f, static_cast<float>(o.grass_density));
  character_detail_slider = make_range_slider(*r, 0.465f, 0.0f, 1.0f, o.character_detail);
  character_shadow_detail_slider = make_range_slider(*r, 0.425f, 0.0f, 1.0f, o.character_shadow_detail);
  corpses_box = make_choice(*r, "Corpses", 0.52f, 0.385f, {"ui_unlimited", "40", "20", "10", "5", "0"},
                            5 - std::clamp(o.corpses_level, 0, 5));
  ragdolls_box = make_choice(*r, "Ragdolls", 0.52f, 0.345f, {"ui_unlimited", "10", "5", "3", "1", "0"},
                             5 - std::clamp(o.ragdolls_level, 0, 5));
  blood_box = make_choice(*r, "Blood", 0.52f, 0.305f, {"ui_off2", "ui_near_player_only", "ui_on"},
                          std::clamp(o.blood_stains, 0, 2));
  dynamic_lighting_toggle = make_option_toggle(*r, 0.52f, 0.265f, 0.035f, o.dynamic_lighting);
  character_shadows_toggle = make_option_toggle(*r, 0.52f, 0.225f, 0.035f, o.character_shadows);
  environment_shadows_toggle = make_option_toggle(*r, 0.52f, 0.185f, 0.035f, o.environment_shadows);
  plant_shadows_box = make_choice(*r, "PlantShadows", 0.52f, 0.145f, {"ui_none", "ui_quick", "ui_full"},
                                  std::clamp(o.plant_shadows, 0, 2));
  particle_systems_toggle = make_option_toggle(*r, 0.52f, 0.105f, 0.035f, o.particle_systems);
  anisotropic_toggle = make_option_toggle(*r, 0.52f, 0.065f, 0.035f, o.anisotropic_filtering);
  water_reflection_toggle = make_option_toggle(*r, 0.52f, 0.025f, 0.035f, c.fake_reflections);
  show_estimate();
  g_ui_manager.redraw = 1;
  if (!(g_host && g_host->pixel_shaders_on())) {
    gamma_slider->hide();
    gamma_label->hide();
    gamma_value_text->hide();
  }
}

void video_options_window::show_estimate() {
  const bool pixel = g_host && g_host->pixel_shaders_on();
  const bool flag = g_host && g_host->device_flag();
  const std::int32_t figure = estimate_performance(g_game_options, g_ruv_config, pixel, flag);
  performance_text->set_text(ruv_string(format_text(tr("ui_estimated_performance").view(), {figure})));
}

void video_options_window::show_gamma() {
  const std::string text = gamma_text(g_game_options.gamma);
  gamma_value_text->set_text(text.empty() ? tr("ui_default") : ruv_string(text));
}

void video_options_window::frame(float /*seconds*/) {
  game_options& o = g_game_options;
  ruv_config& c = g_ruv_config;
  auto toggle = [&](widget* t, std::int32_t& setting, bool notice) {
    if (!changed(t)) return;
    setting = t->get_value() != 0 ? 1 : 0;
    label_toggle(*t);
    if (notice) settings_notice_pending = true;
    show_estimate();
  };
  if (changed(blood_box)) {
    o.blood_stains = blood_box->get_value();
    show_estimate();
  }
  if (changed(change_button)) push_notice(ruv_string("DirectX"), tr("ui_change_directx_explanation"));
  toggle(dynamic_lighting_toggle, o.dynamic_lighting, false);
  toggle(character_shadows_toggle, o.character_shadows, false);
  toggle(environment_shadows_toggle, o.environment_shadows, true);
  if (changed(plant_shadows_box)) {
    o.plant_shadows = plant_shadows_box->get_value();
    settings_notice_pending = true;
    show_estimate();
  }
  toggle(particle_systems_toggle, o.particle_systems, false);
  toggle(anisotropic_toggle, o.anisotropic_filtering, false);
  toggle(water_reflection_toggle, c.fake_reflections, true);
  if (changed(shadow_quality_box)) {
    c.active_shadowmap_quality = 2 - shadow_quality_box->get_value();
    settings_notice_pending = true;
    show_estimate();
  }
  if (changed(corpses_box)) {
    o.set_corpses_level(5 - corpses_box->get_value());
    show_estimate();
  }
  if (changed(ragdolls_box)) {
    o.set_ragdolls_level(5 - ragdolls_box->get_value());
    show_estimate();
  }
  if (changed(gamma_slider)) {
    o.gamma = gamma_slider->get_float_value();
    if (g_host) g_host->apply_gamma(o.gamma);
    show_gamma();
  }
  if (changed(grass_density_slider)) {
    o.grass_density = static_cast<std::int32_t>(grass_density_slider->get_float_value());
    grass_density_text->set_text(percentage_text(o.grass_density));
    settings_notice_pending = true;
    show_estimate();
  }
  if (changed(character_detail_slider)) {
    o.character_detail = character_detail_slider->get_float_value();
    show_estimate();
  }
  if (changed(character_shadow_detail_slider)) {
    o.character_shadow_detail = character_shadow_detail_slider->get_float_value();
    show_estimate();
  }
  if (changed(texture_detail_slider)) {
    c.texture_detail = static_cast<std::int32_t>(texture_detail_slider->get_float_value());
    texture_detail_text->set_text(percentage_text(c.texture_detail));
    show_estimate();
  }
  if (changed(resolution_box)) {
    const auto index = static_cast<std::size_t>(resolution_box->get_value());
    const std::string item = index < resolution_box->items.size() ? std::string(resolution_box->items[index].view()) : "";
    parse_resolution(item, c.display_width, c.display_height);
    if (g_host) g_host->reset_graphics_device();
    show_estimate();
  }
  if (changed(done_button)) {
    closing = true;
    if (c.texture_detail != initial_texture_detail && g_host) g_host->reload_file_textures();
    std::string text;
    // A file that cannot be written leaves this run's settings as they are.
    if (!save_ruv_config(c)) text = unable_to_save_text("ruv_config.txt");
    if (settings_notice_pending) {
      if (!text.empty()) text += "\n\n";
      text += tr("ui_change_graphics_settings_explanation").view();
    }
    if (!text.empty()) push_notice(ruv_string(), ruv_string(text));
  }
  if (closing && g_window_manager.top_id() != window_id::message_box) g_window_manager.set_window(return_window);
}

}  // namespace hm
