#pragma once
// Hosts of the dispatcher and the launch that write what they are asked to
// do into one list of lines, in order.
#include <string>
#include <vector>

#include "engine/core/random.h"
#include "module/records/mission_template.h"
#include "shell/state/game_launch.h"
#include "shell/state/state_dispatcher.h"

namespace hm::test {

class recording_hosts : public dispatcher_host, public game_launch_host {
 public:
  std::vector<std::string> calls;
  dispatcher_game_words words;
  std::vector<mission_template> templates;
  std::int32_t advantage_of_battle = 0;
  bool spent = false;
  bool save_opens = true;
  launch_save_header header_in_save;
  int top = -1;

  void note(std::string s) { calls.push_back(std::move(s)); }
  static std::string n(long v) { return std::to_string(v); }

  bool set_window(int id) override {
    top = id;
    note("set_window " + n(id));
    return true;
  }
  bool push_window(int id) override {
    top = id;
    note("push_window " + n(id));
    return true;
  }
  void set_window_mode(int id, std::int32_t mode) override { note("mode " + n(id) + " " + n(mode)); }
  void set_return_window(int id, std::int32_t value) override { note("return " + n(id) + " " + n(value)); }
  void reset_window(int id) override { note("reset " + n(id)); }
  dispatcher_game_words& game_words() override { return words; }
  const std::vector<mission_template>& mission_templates() override { return templates; }
  void prepare_mission(const mission_preparation& p) override {
    note("prepare " + n(p.template_index) + " " + n(p.jump_value_1) + " " + n(p.jump_value_2) + " " +
         n(p.advantage) + " " + n(p.scene_param) + " " + n(p.side));
  }
  void set_up_mission(std::int32_t sequence) override { note("set_up_mission " + n(sequence)); }
  void run_mission_frames(int count, float) override { note("mission_frames " + n(count)); }
  void set_up_conversation(std::int32_t troop, std::int32_t seed, std::int32_t party, std::int32_t kind) override {
    note("conversation " + n(troop) + " " + n(seed) + " " + n(party) + " " + n(kind));
  }
  void start_scene_conversation(std::int32_t troop, std::int32_t party) override {
    note("scene_conversation " + n(troop) + " " + n(party));
  }
  // Party p is led by troop 100 + p, with seed 1000 + p.
  std::int32_t party_leader(std::int32_t party) override { return 100 + party; }
  std::int32_t party_leader_seed(std::int32_t party) override { return 1000 + party; }
  void set_encounter_side(meta_mission_words& m, std::int32_t side) override {
    m.encounter.side = side;
    note("side " + n(side));
  }
  std::int32_t battle_advantage() override { return advantage_of_battle; }
  bool side_troops_spent(const meta_mission_words&) override { return spent; }
  void remove_empty_stacks(const meta_mission_words&) override {}
  void apply_encounter_results(const meta_mission_words&) override { note("apply_results"); }
  void add_message(const char* key) override { note(std::string("message ") + key); }
  void save_game(int slot) override { note("save " + n(slot)); }
  int random() override { return random_next(); }

  bool open_saved_game(const std::string& path, launch_save_header& header) override {
    note("open_save " + path);
    header = header_in_save;
    return save_opens;
  }
  void read_saved_game() override { note("read_save"); }
  void create_game(std::int32_t start_value, bool without_map) override {
    note("create_game " + n(start_value) + " " + n(without_map));
  }
  void load_world_data() override { note("world_data"); }
  void set_player_names(const ruv_string& player, const ruv_string& save) override {
    note("names " + std::string(player.view()) + " " + std::string(save.view()));
  }
  void set_player_name(const ruv_string& name) override { note("player_name " + std::string(name.view())); }
  void read_module_parties() override { note("parties"); }
  void load_map_data() override { note("map_data"); }
  void init_map() override { note("init_map"); }
  void build_map_scene() override { note("map_scene"); }
  void run_game_start() override { note("game_start"); }
  void set_game_launch_mode(std::int32_t mode) override { note("game_launch_mode " + n(mode)); }
  void reset_character_window() override { note("reset_character"); }
  void reset_face_generator_window() override { note("reset_face_generator"); }
  void show_progress(const std::string&, const ruv_string&) override {}
  // The key itself stands for its text.
  ruv_string translate(const char* key) override { return ruv_string(key); }
};

}  // namespace hm::test
