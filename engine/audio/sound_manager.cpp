#include "engine/audio/sound_manager.h"

#include <algorithm>
#include <cmath>

#include "engine/settings/game_options.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/settings/ruv_config.h"
#include "platform/audio/audio.h"
#include "platform/library_messages.h"

namespace hm {

sound_manager g_sound_manager;

const char* const sound_slot_names[sound_slot_count] = {
    "snd_click", "snd_gong", "snd_quest_taken", "snd_quest_completed", "snd_quest_succeeded",
    "snd_quest_concluded", "snd_quest_failed", "snd_quest_cancelled", "snd_rain", "snd_money_paid",
    "snd_money_received", "snd_sword_clash_1", "snd_sword_clash_2", "snd_sword_clash_3", "snd_sword_swing",
    "snd_footstep_grass", "snd_footstep_wood", "snd_footstep_water", "snd_footstep_horse",
    "snd_footstep_horse_1b", "snd_footstep_horse_1f", "snd_footstep_horse_2b", "snd_footstep_horse_2f",
    "snd_footstep_horse_3b", "snd_footstep_horse_3f", "snd_footstep_horse_4b", "snd_footstep_horse_4f",
    "snd_footstep_horse_5b", "snd_footstep_horse_5f", "snd_jump_begin", "snd_jump_end",
    "snd_jump_begin_water", "snd_jump_end_water", "snd_horse_jump_begin", "snd_horse_jump_end",
    "snd_horse_jump_begin_water", "snd_horse_jump_end_water", "snd_release_bow", "snd_release_crossbow",
    "snd_throw_javelin", "snd_throw_axe", "snd_throw_knife", "snd_throw_stone", "snd_reload_crossbow",
    "snd_reload_crossbow_continue", "snd_pull_bow", "snd_pull_arrow", "snd_arrow_pass_by",
    "snd_bolt_pass_by", "snd_javelin_pass_by", "snd_stone_pass_by", "snd_axe_pass_by",
    "snd_knife_pass_by", "snd_bullet_pass_by", "snd_incoming_arrow_hit_ground",
    "snd_incoming_bolt_hit_ground", "snd_incoming_javelin_hit_ground", "snd_incoming_stone_hit_ground",
    "snd_incoming_axe_hit_ground", "snd_incoming_knife_hit_ground", "snd_incoming_bullet_hit_ground",
    "snd_outgoing_arrow_hit_ground", "snd_outgoing_bolt_hit_ground", "snd_outgoing_javelin_hit_ground",
    "snd_outgoing_stone_hit_ground", "snd_outgoing_axe_hit_ground", "snd_outgoing_knife_hit_ground",
    "snd_outgoing_bullet_hit_ground", "snd_draw_sword", "snd_put_back_sword", "snd_draw_greatsword",
    "snd_put_back_greatsword", "snd_draw_axe", "snd_put_back_axe", "snd_draw_greataxe",
    "snd_put_back_greataxe", "snd_draw_spear", "snd_put_back_spear", "snd_draw_crossbow",
    "snd_put_back_crossbow", "snd_draw_revolver", "snd_put_back_revolver", "snd_draw_dagger",
    "snd_put_back_dagger", "snd_draw_bow", "snd_put_back_bow", "snd_draw_shield", "snd_put_back_shield",
    "snd_draw_other", "snd_put_back_other", "snd_body_fall_small", "snd_body_fall_big",
    "snd_horse_body_fall_begin", "snd_horse_body_fall_end", "snd_shield_broken", "snd_hide", "snd_unhide",
    "snd_neigh", "snd_gallop", "snd_battle", "snd_arrow_hit_body", "snd_blunt_hit",
    "snd_player_hit_by_arrow", "snd_horse_walk", "snd_horse_trot", "snd_horse_canter", "snd_horse_gallop",
    "snd_horse_breath", "snd_horse_snort", "snd_block_fist", "snd_hit_wood_wood", "snd_hit_metal_metal",
    "snd_hit_wood_metal", "snd_shield_hit_wood_wood", "snd_shield_hit_metal_metal",
    "snd_shield_hit_wood_metal", "snd_shield_hit_metal_wood", "snd_metal_hit_low_armor_low_damage",
    "snd_metal_hit_low_armor_high_damage", "snd_metal_hit_high_armor_low_damage",
    "snd_metal_hit_high_armor_high_damage", "snd_wooden_hit_low_armor_low_damage",
    "snd_wooden_hit_low_armor_high_damage", "snd_wooden_hit_high_armor_low_damage",
    "snd_wooden_hit_high_armor_high_damage",
};

namespace {

// A sample's volume step (flags bits 4..7, 0 meaning 5) and a sound's (bits 8..11, 0 meaning 10).
int sample_volume_step(const sound_sample& s) {
  const int step = static_cast<int>((s.flags >> 4) & 15);
  return step ? step : 5;
}
int sound_volume_step(const sound_record& r) {
  const int step = static_cast<int>((r.flags >> 8) & 15);
  return step ? step : 10;
}

platform::audio_vec to_audio(const vec3& v) { return platform::audio_vec{v.x, v.y, v.z}; }

// Where the audio output keeps the real backend that start_sound_output opened.
std::unique_ptr<platform::audio_backend> g_real_output;

}  // namespace

int sound_round(float value) {
  const float whole = std::floor(value);
  return static_cast<int>(whole) + (value - whole > 0.5f ? 1 : 0);
}

sound_manager::sound_manager() { std::fill(std::begin(slot_sound_ids), std::end(slot_sound_ids), -1); }

int sound_manager::play_sound(int sound_id, std::uint32_t flags, const vec3& position, float frequency_factor,
                              float* out_duration) {
  if (g_ruv_config.disable_sound != 0) return -1;
  if (sound_id < 0 || sound_id >= sound_count()) return -1;
  const sound_record& record = sounds[sound_id];
  const int variants = std::min(record.variant_count, max_sound_variants);
  if (variants <= 0) return -1;

  const int k = variants > 1 ? random_next() % variants : 0;
  const int sample_index = record.sample_indices[k];
  // A sound may name a sample the table does not hold (a broken sounds file):
  // it plays nothing rather than reading outside the table.
  if (sample_index < 0 || sample_index >= static_cast<int>(samples.size())) return -1;
  const sound_sample& sample = samples[sample_index];

  platform::audio_backend& audio = platform::audio_output();
  const int channel = audio.play_sample(sample.handle, true);
  if (out_duration) *out_duration = sample.duration;
  if (channel < 0) return channel;

  const float option = g_game_options.sound_volume;
  const int volume = std::clamp(
      sound_round(static_cast<float>(sound_volume_step(record)) * 0.1f * option * 255.0f), 0, 255);

  int priority;
  if (flags & sound_flag::flat) {
    audio.set_position(channel, nullptr);
    priority = 255;
  } else {
    const platform::audio_vec where = to_audio(position);
    audio.set_position(channel, &where);
    const float d = (position - listener.origin).length();
    priority = std::clamp(
        sound_round(254.0f * static_cast<float>(sample_volume_step(sample)) * 0.0625f * 3.0f / (d + 3.0f)), 0,
        255);
  }

  audio.set_volume(channel, volume);
  const bool looping = (record.flags & sound_flag::looping) != 0;
  audio.set_loop(channel, looping);
  if (record.flags & sound_flag::random_start) {
    const int start = sample.length < 2 ? 0 : random_next() % sample.length;
    audio.set_current_position(channel, start);
  }
  if (looping) looping_channels.push_back(channel);
  if (frequency_factor != 1.0f && g_ruv_config.disable_frequency_variation == 0) {
    audio.set_frequency(channel, static_cast<int>(static_cast<float>(sample.default_frequency) * frequency_factor));
  }
  audio.set_priority(channel, priority);
  audio.set_paused(channel, false);
  return channel;
}

int sound_manager::play_sound_in_slot(int slot, std::uint32_t flags, const vec3& position, float frequency_factor,
                                      float* out_duration) {
  if (slot < 0 || slot >= sound_slot_count) return -1;
  return play_sound(slot_sound_ids[slot], flags, position, frequency_factor, out_duration);
}

void sound_manager::stop_all_sounds() {
  if (g_ruv_config.disable_sound != 0) return;
  platform::audio_backend& audio = platform::audio_output();
  for (int channel : looping_channels) audio.stop(channel);
  looping_channels.clear();
  set_listener(frame::identity());
}

void sound_manager::set_listener(const frame& listener_frame) {
  listener = listener_frame;
  if (g_ruv_config.disable_sound != 0) return;
  platform::audio_output().set_listener(to_audio(listener.origin), to_audio(listener.rot.f),
                                        to_audio(listener.rot.u));
}

void sound_manager::stop_channel(int channel) {
  if (channel < 0 || g_ruv_config.disable_sound != 0) return;
  platform::audio_output().stop(channel);
}

bool sound_manager::load_sample(sound_sample& sample, const std::string& path) {
  platform::audio_backend& audio = platform::audio_output();
  sample.handle = audio.load_sample(path, (sample.flags & 1) != 0);
  if (sample.handle == 0) return false;
  audio.set_sample_priority(sample.handle,
                            static_cast<int>(static_cast<float>(sample_volume_step(sample)) * 0.0625f * 250.0f));
  int frequency = 0, length = 0;
  audio.sample_info(sample.handle, frequency, length);
  sample.default_frequency = frequency;
  sample.length = length;
  sample.duration = frequency > 0 ? static_cast<float>(length) / static_cast<float>(frequency) : 0.0f;
  return true;
}

void sound_manager::clear() {
  platform::audio_backend& audio = platform::audio_output();
  for (int channel : looping_channels) audio.stop(channel);
  looping_channels.clear();
  for (const sound_sample& s : samples)
    if (s.handle) audio.free_sample(s.handle);
  samples.clear();
  sounds.clear();
  std::fill(std::begin(slot_sound_ids), std::end(slot_sound_ids), -1);
}

int sound_manager::find_sound(std::string_view name) const {
  for (int i = 0; i < sound_count(); ++i)
    if (sounds[i].name.view() == name) return i;
  return -1;
}

void start_sound_output() {
  if (g_ruv_config.disable_sound != 0) return;
  std::string error;
  g_real_output = platform::make_openal_audio(&error);
  // The sound libraries' own account of the search for a device.
  for (const std::string& line : platform::take_library_messages()) log_line(line + "\n");
  if (!g_real_output) {
    log_line("Unable to open an audio device (" + error + "); the game goes on without sound.\n");
    return;
  }
  platform::set_audio_output(g_real_output.get());
}

void stop_sound_output() {
  g_sound_manager.clear();
  platform::set_audio_output(nullptr);
  g_real_output.reset();
}

void update_sound() {
  if (g_ruv_config.disable_sound != 0) return;
  platform::audio_output().update();
}

}  // namespace hm
