#include "mission/support/animated_agents.h"

#include "engine/audio/sound_manager.h"
#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "mission/records/mission.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"

namespace hm {

animated_agents::animated_agents(int bones, int action_count) {
  skel.bone_count = bones;
  skel.bones.resize(static_cast<std::size_t>(bones));
  for (int b = 0; b < bones; ++b) {
    skel.bones[static_cast<std::size_t>(b)].parent = b - 1;
    skel.bones[static_cast<std::size_t>(b)].local_frame.origin = vec3(0.0f, 0.0f, b == 0 ? 1.0f : 0.1f);
  }
  skel.bone_set_1 = 0x3;
  skel.bone_set_2 = 0x6;
  skel.bone_set_3 = 0xC;
  anim.channels.resize(static_cast<std::size_t>(bones));
  for (rotation_track& t : anim.channels) {
    t.key_count = 3;
    t.times = {0, 10, 20};
    t.keys = {quaternion{}, quaternion{0.70710677f, 0.0f, 0.0f, 0.70710677f}, quaternion{0.0f, 0.0f, 0.0f, 1.0f}};
  }
  anim.root_track.key_count = 3;
  anim.root_track.times = {0, 10, 20};
  anim.root_track.keys = {vec3(0.0f, 0.0f, 0.0f), vec3(1.0f, 0.0f, 0.0f), vec3(1.0f, 2.0f, 0.0f)};
  actions.actions.resize(static_cast<std::size_t>(action_count));
  for (action_record& r : actions.actions) {
    action_sequence s;
    s.duration = 1.0f;
    s.animation = &anim;
    s.first_frame = 0;
    s.last_frame = 20;
    s.flags = 0x10000000u;
    r.sequences.push_back(s);
  }
}

agent& animated_agents::add_agent(mission& m, int kind) {
  agent& a = m.allocate_agent();
  a.kind = kind;
  a.state = agent_state_alive;
  a.presence = agent_presence_active;
  a.movement_flags |= agent_movement_on_ground;
  a.actions = &actions;
  auto e = std::make_unique<skeleton_entity>();
  e->animated_skeleton = std::make_unique<skeleton_instance>(clock_mission);
  e->animated_skeleton->set_skeleton(skel);
  e->animated_skeleton->add_channels(2);
  skeleton_entity* raw = e.get();
  if (m.scene) {
    m.scene->adopt_entity(std::move(e));
  } else {
    owned_entities.push_back(std::move(e));
  }
  a.agent_entity = raw;
  return a;
}

int add_item_kind(int type, std::uint32_t flags, std::uint64_t capabilities, int max_ammo, int hit_points) {
  item_kind k;
  k.flags = (flags & ~0xFFu) | static_cast<std::uint32_t>(type);
  k.capabilities = capabilities;
  k.max_ammo = max_ammo;
  k.hit_points = hit_points;
  g_item_kinds.push_back(std::move(k));
  return static_cast<int>(g_item_kinds.size()) - 1;
}

entity& give_item_entity(animated_agents& f, agent& a, int slot) {
  auto e = std::make_unique<entity>();
  e->add_mesh(std::make_unique<mesh>());
  entity& raw = *e;
  f.item_entities.push_back(std::move(e));
  a.item_entities[static_cast<std::size_t>(slot)] = &raw;
  return raw;
}

std::uint32_t show_word(const entity& e) { return e.meshes.empty() ? 0u : e.meshes[0]->visibility_mask; }

void recording_sounds::play_slot_at_pitch(mission&, const agent&, int slot, float pitch) {
  played.push_back(slot >= 0 && slot < sound_slot_count ? sound_slot_names[slot] : "?");
  pitches.push_back(pitch);
}

void recording_sounds::play_slot(mission&, const agent&, int slot, float variation) {
  std::string line = slot >= 0 && slot < sound_slot_count ? sound_slot_names[slot] : "?";
  if (variation > 0.0f) line += " ~" + std::to_string(variation).substr(0, 3);
  played.push_back(line);
}

}  // namespace hm
