#pragma once
// Agents that animate, for tests: a small chain skeleton, an animation with
// keys at frames 0, 10 and 20 for every bone, an action table whose every
// action plays one looping one-second sequence of it, agents with a skeleton
// entity of two channels on the mission clock, item kinds made to order, and
// a sound sink that writes down what it would play.
#include <memory>
#include <string>
#include <vector>

#include "engine/resource/skeleton.h"
#include "mission/agent/agent_sounds.h"
#include "mission/records/agent.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"

namespace hm {

class mission;

struct animated_agents {
  // `bones` bones, each the child of the one before; bone sets 0x3, 0x6, 0xC.
  explicit animated_agents(int bones = 24, int action_count = 420);

  // A new live agent of the kind with a skeleton entity (put into the
  // mission's scene when it has one) and this table of actions.
  agent& add_agent(mission& m, int kind);

  skeleton skel;
  skeleton_anim anim;
  action_table actions;
  std::vector<std::unique_ptr<skeleton_entity>> owned_entities;
  std::vector<std::unique_ptr<entity>> item_entities;
};

// An item kind appended to g_item_kinds; returns its index.
int add_item_kind(int type, std::uint32_t flags = 0, std::uint64_t capabilities = 0, int max_ammo = 0,
                  int hit_points = 0);
// An entity with one mesh, so its show word can be read back.
entity& give_item_entity(animated_agents& f, agent& a, int slot);
// The show word of an entity's first mesh.
std::uint32_t show_word(const entity& e);

class recording_sounds : public agent_sound_sink {
 public:
  recording_sounds() { set_agent_sound_sink(this); }
  ~recording_sounds() override { set_agent_sound_sink(nullptr); }
  void play_slot(mission&, const agent&, int slot, float variation) override;
  void play_voice(mission&, agent&, int kind) override { played.push_back("voice " + std::to_string(kind)); }
  void play_contact(mission&, const agent&, int kind) override {
    played.push_back("contact " + std::to_string(kind));
  }
  // The slot's name, with the pitch in `pitches`.
  void play_slot_at_pitch(mission&, const agent&, int slot, float pitch) override;
  // "movement" with the depth in `depths`.
  void play_movement(mission&, const agent&, float depth) override {
    played.push_back("movement");
    depths.push_back(depth);
  }
  std::vector<std::string> played;
  std::vector<float> pitches;
  std::vector<float> depths;
};

}  // namespace hm
