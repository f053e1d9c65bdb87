// Agent animation on one core: 1,000 agents of the sample module, three
// humans to each horse, their action channels turned into skeleton channel
// state (with a new sequence sampled whenever an agent's action changes) and
// then posed, per frame. Beside entity_bench's posing of bare skeletons this
// shows what the agents' own channel work adds.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "engine/core/random.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "mission/anim/agent_skeleton_update.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/records/action_table.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace {

constexpr int crowd_size = 1000;

// Every action plays one looping sequence of the kind's sample animation;
// every fifth carries the pitch blend and every seventh a bone group, so
// those paths run too.
hm::action_table make_actions(hm::skeleton_anim* human, hm::skeleton_anim* horse) {
  hm::action_table t;
  t.actions.resize(420);
  for (std::size_t i = 0; i < t.actions.size(); ++i) {
    hm::action_record& r = t.actions[i];
    if (i % 5 == 0) r.flags |= hm::action_flag_pitch_blend;
    if (i % 7 == 0) r.flags |= hm::action_flag_bone_group_2;
    hm::action_sequence s;
    s.duration = 0.8f + 0.01f * static_cast<float>(i % 40);
    s.animation = i >= 406 ? horse : human;
    s.first_frame = static_cast<std::int32_t>(i % 50);
    s.last_frame = s.first_frame + 30;
    s.flags = 0x10000000u | 0x20000000u;
    r.sequences.push_back(s);
  }
  return t;
}

struct crowd {
  hm::mission m;
  hm::action_table actions;
  std::vector<std::unique_ptr<hm::skeleton_entity>> entities;
  std::vector<int> agents;
};

void fill_crowd(crowd& c) {
  hm::bench::load_sample_skeletons();
  const hm::skeleton* human = hm::g_resource_manager.get_skeleton(hm::ruv_string("skel_human"));
  const hm::skeleton* horse = hm::g_resource_manager.get_skeleton(hm::ruv_string("skel_horse"));
  c.actions = make_actions(hm::g_resource_manager.get_skeleton_anim(hm::ruv_string("anim_human")),
                           hm::g_resource_manager.get_skeleton_anim(hm::ruv_string("anim_horse")));
  for (int i = 0; i < crowd_size; ++i) {
    hm::agent& a = c.m.allocate_agent();
    a.kind = i % 4 == 3 ? hm::agent_kind_horse : hm::agent_kind_human;
    a.state = hm::agent_state_alive;
    a.actions = &c.actions;
    a.lean = 0.1f;
    a.input.set_direction(hm::vec3(0.0f, 0.9f, 0.3f));
    auto e = std::make_unique<hm::skeleton_entity>();
    e->animated_skeleton = std::make_unique<hm::skeleton_instance>(hm::clock_mission);
    e->animated_skeleton->set_skeleton(a.kind == hm::agent_kind_horse ? *horse : *human);
    e->animated_skeleton->add_channels(2);
    a.agent_entity = e.get();
    c.entities.push_back(std::move(e));
    c.agents.push_back(a.index);
  }
}

// Each frame one agent in thirty asks for another action on one of its
// channels, as movement and fighting would.
void request_some(crowd& c, int frame) {
  for (std::size_t i = static_cast<std::size_t>(frame % 30); i < c.agents.size(); i += 30) {
    hm::agent& a = *c.m.get_agent(c.agents[i]);
    const int channel = static_cast<int>((i / 30 + static_cast<std::size_t>(frame)) % 2);
    const int base = a.kind == hm::agent_kind_horse ? 406 : 10;
    const int span = a.kind == hm::agent_kind_horse ? 12 : 60;
    a.channels[static_cast<std::size_t>(channel)].requested_action = base + hm::random_next() % span;
  }
}

// Frames of 1/60 s: the channel work of every agent, and with `pose` the
// skeleton instance's pose after it.
void run_frames(benchmark::State& state, bool pose) {
  hm::reset_clocks();
  hm::random_seed(9);
  crowd c;
  fill_crowd(c);
  int frame = 0;
  for (auto _ : state) {
    hm::advance_clock(hm::clock_mission, 1.0f / 60.0f);
    request_some(c, frame++);
    for (int index : c.agents) {
      hm::agent& a = *c.m.get_agent(index);
      hm::agent_skeleton_update(c.m, a, 1.0f / 60.0f);
      if (pose) a.agent_entity->animated_skeleton->update(1.0f / 60.0f, hm::frame::identity());
    }
    benchmark::DoNotOptimize(c.entities[0]->animated_skeleton->bones[0].local_rotation);
  }
  state.SetItemsProcessed(state.iterations() * crowd_size);
}

void BM_agent_channels_1000(benchmark::State& state) { run_frames(state, false); }
BENCHMARK(BM_agent_channels_1000)->Unit(benchmark::kMicrosecond);

void BM_agent_channels_and_pose_1000(benchmark::State& state) { run_frames(state, true); }
BENCHMARK(BM_agent_channels_and_pose_1000)->Unit(benchmark::kMicrosecond);

}  // namespace
