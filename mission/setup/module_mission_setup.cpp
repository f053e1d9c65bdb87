#include "mission/setup/module_mission_setup.h"

#include <algorithm>
#include <string>

#include "campaign/party/campaign_state.h"
#include "campaign/party/party.h"
#include "engine/collision/capsule.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "engine/resource/resource_manager.h"
#include "mission/agent/agent_item_triggers.h"
#include "mission/control/action_keys.h"
#include "mission/physics/physics_worker.h"
#include "mission/props/prop_entity.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/setup/scene_file.h"
#include "mission/setup/spawning.h"
#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "module/loading/scene_services.h"
#include "module/media/skin.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "module/records/world_records.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_lighting.h"
#include "render/scene/scene_world.h"
#include "render/terrain/terrain_generator.h"
#include "script/script_state.h"

namespace hm {

namespace {

// The event an agent's worn item's triggers run with once its meshes are made.
constexpr int agent_item_dressed_event = -50;

const hm::scene* scene_record(const game& g, int index) {
  if (index < 0 || index >= g.scene_count()) return nullptr;
  return g.scenes[static_cast<std::size_t>(index)].get();
}

int bone_named(const skeleton& s, const char* name) {
  for (std::size_t i = 0; i < s.bones.size(); ++i) {
    if (s.bones[i].name.equals_cstr(name)) return static_cast<int>(i);
  }
  return -1;
}

// A mesh with bone weights deforms with the whole skeleton; any other hangs
// from one bone (the skeleton's root when the bone is missing).
// The bone it hangs from, -1 for a skinned mesh or none.
int put_on_skeleton(skeleton_instance& skel, std::unique_ptr<mesh> m, const char* bone) {
  if (!m) return -1;
  if (!m->get_bone_weights().empty()) {
    skel.skinned_meshes.push_back(std::move(m));
    return -1;
  }
  const int b = skel.skeleton != nullptr ? std::max(0, bone_named(*skel.skeleton, bone)) : 0;
  skel.attach_mesh_to_bone(b, std::move(m), frame::identity());
  return b;
}

std::unique_ptr<mesh> copy_of(const mesh* m) { return m != nullptr ? m->create_copy() : nullptr; }

// The item's mesh for its modifier; an item whose mesh no resource file has
// shows nothing (a log line says which).
std::unique_ptr<mesh> item_mesh(const item& it) {
  const item_kind* kind = it.get_kind();
  if (kind == nullptr) return nullptr;
  const ruv_string name = kind->get_mesh_name(it.modifier());
  if (name.length() == 0) return nullptr;
  const mesh* m = g_resource_manager.find_mesh(name);
  if (m == nullptr) {
    log_line(std::string("Item ") + kind->id.c_str() + ": no mesh " + name.c_str());
    return nullptr;
  }
  return m->create_copy();
}

// Where a carried item hangs on a human: the first weapon in its grip (a
// bow's in the left hand, any other in the right), a shield on the left
// forearm, the rest of the weapons on the back. A skeleton without grip bones
// holds the weapon by the hand itself.
const char* item_bone(const skeleton* s, int slot, int type, bool& weapon_in_hand) {
  if (slot == agent_slot_head) return "head";
  if (slot >= agent_slot_body) return "spine";
  if (type == item_type::shield) return "forearm.L";
  const bool hand_weapon = type == item_type::one_handed || type == item_type::two_handed ||
                           type == item_type::polearm || type == item_type::bow || type == item_type::crossbow ||
                           type == item_type::thrown;
  if (hand_weapon && !weapon_in_hand) {
    weapon_in_hand = true;
    const bool left = type == item_type::bow;
    const char* grip = left ? "item.L" : "item.R";
    if (s != nullptr && bone_named(*s, grip) >= 0) return grip;
    return left ? "hand.L" : "hand.R";
  }
  return "spine";
}

face_state face_of_seed(const skin& s, int skin_index, std::int32_t seed) {
  face_state low;
  low.skin = skin_index;
  low.beard = -1;
  face_state high = low;
  high.hair = std::max(0, static_cast<int>(s.hair_meshes.size()) - 1);
  high.beard = static_cast<int>(s.beards.size()) - 1;
  high.face_texture = std::max(0, static_cast<int>(s.face_textures.size()) - 1);
  high.age = 1.0f;
  high.hair_color = 1.0f;
  for (float& w : high.morph_weights) w = 1.0f;
  std::vector<std::vector<std::int32_t>> hair_lists;
  for (const skin_face_texture& t : s.face_textures) hair_lists.push_back(t.hair_textures);
  return randomize_face_keys(static_cast<std::uint32_t>(seed), low, high, hair_lists, s.constraints);
}

}  // namespace

// --- agents ---------------------------------------------------------------------------------------

void equip_from_troop(agent& a, const troop& t) {
  std::vector<std::int32_t> listed = a.spawn_items;
  for (int slot = 0; slot < agent_equipment_slot_count; ++slot) {
    item& chosen = a.equipment[static_cast<std::size_t>(slot)];
    chosen = item{};
    a.slot_from_troop[static_cast<std::size_t>(slot)] = 0;
    if ((a.item_override_flags & (1u << slot)) == 0) {
      chosen = t.equipment[static_cast<std::size_t>(slot)];
      a.slot_from_troop[static_cast<std::size_t>(slot)] = 1;
      continue;
    }
    // The first listed item the troop may use in the slot, taken off the list.
    for (std::int32_t& kind : listed) {
      item candidate;
      candidate.kind = kind;
      if (kind < 0 || !t.can_equip_item(candidate, slot)) continue;
      chosen = candidate;
      kind = -1;
      break;
    }
  }
}

void module_agent_hooks::create_entity(mission& m, agent& a) {
  auto e = std::make_unique<skeleton_entity>();
  e->owner_word = a.index;
  a.item_bones.fill(-1);
  const troop* t = game_.find_troop(a.troop);
  const skeleton* body = nullptr;
  const skin* s = nullptr;
  int skin_index = 0;
  if (a.kind == agent_kind_horse) {
    body = static_cast<const skeleton*>(g_resource_manager.find(skeleton_resource_type_id, ruv_string("skel_horse")));
  } else if (t != nullptr) {
    skin_index = t->get_skin();
    if (skin_index < g_skins.count()) {
      s = &g_skins.skins[static_cast<std::size_t>(skin_index)];
      body = s->body_skeleton;
    }
  }
  if (body == nullptr) {
    log_line("Agent " + std::to_string(a.index) + " has no skeleton");
  } else {
    e->animated_skeleton = std::make_unique<skeleton_instance>(clock_mission);
    e->animated_skeleton->set_skeleton(*body);
    e->animated_skeleton->add_channels(2);
  }

  if (a.kind == agent_kind_horse) {
    if (e->animated_skeleton) put_on_skeleton(*e->animated_skeleton, item_mesh(a.own_horse_item()), "root");
  } else if (t != nullptr) {
    equip_from_troop(a, *t);
    if (e->animated_skeleton && s != nullptr) {
      skeleton_instance& skel = *e->animated_skeleton;
      // The skin's own body, feet and hands where no armour covers them.
      const auto worn = [&a](int slot) { return a.equipment[static_cast<std::size_t>(slot)].get_kind() != nullptr; };
      if (!worn(equipment_slot::body)) put_on_skeleton(skel, copy_of(s->body_mesh), "abdomen");
      if (!worn(equipment_slot::foot)) {
        put_on_skeleton(skel, copy_of(s->calf_left), "calf.L");
        put_on_skeleton(skel, copy_of(s->calf_right), "calf.R");
      }
      if (!worn(equipment_slot::hand)) {
        put_on_skeleton(skel, copy_of(s->hand_left), "hand.L");
        put_on_skeleton(skel, copy_of(s->hand_right), "hand.R");
      }
      // A hero wears the face his code gives, unless a seed asks for another
      // and he does not keep his own; everyone else's is drawn from the seed,
      // or from his troop when he has none.
      const bool coded_face =
          t->is_hero() && ((t->flags & troop_flag_keep_face) != 0 || a.face_seed < 0);
      const face_state face = coded_face ? decode_face_code(t->face_code_1, *s, skin_index)
                                         : face_of_seed(*s, skin_index, a.face_seed < 0 ? a.troop : a.face_seed);
      skin_face built = build_skin_face(*s, face, true, true);
      put_on_skeleton(skel, std::move(built.head), "head");
      put_on_skeleton(skel, std::move(built.hair), "head");
      put_on_skeleton(skel, std::move(built.beard), "head");
      bool weapon_in_hand = false;
      for (int slot = 0; slot < agent_equipment_slot_count; ++slot) {
        if (slot == equipment_slot::horse) continue;
        const item& it = a.equipment[static_cast<std::size_t>(slot)];
        const item_kind* kind = it.get_kind();
        if (kind == nullptr) continue;
        a.item_bones[static_cast<std::size_t>(slot)] =
            put_on_skeleton(skel, item_mesh(it), item_bone(skel.skeleton, slot, kind->type(), weapon_in_hand));
      }
    }
  }
  // The collision capsule: a horse's along its back, a human's by its height.
  const float h = s != nullptr ? s->scale : 1.0f;
  if (a.kind == agent_kind_horse) {
    e->body = std::make_unique<capsule>(vec3(0.0f, -0.3f, 0.7f), vec3(0.0f, 0.8f, 0.8f), 0.4f);
  } else {
    e->body = std::make_unique<capsule>(vec3(0.0f, 0.01f * h, 2.3f * h), vec3(0.0f, 0.0f, 1.3f * h), 0.3f * h);
    a.height_factor = h;
  }
  e->set_frame_and_scale(a.body_frame, vec3(h, h, h));
  a.agent_entity = e.get();
  choose_agent_particle_systems(a);
  if (m.scene) m.scene->adopt_entity(std::move(e));
  else log_line("Agent " + std::to_string(a.index) + " spawned without a scene");
  // The worn body item's triggers run once the agent is dressed.
  const item& body_item = a.equipment[static_cast<std::size_t>(equipment_slot::body)];
  if (a.kind != agent_kind_horse && body_item.get_kind() != nullptr) {
    g_script_state.trigger_param_1 = a.index;
    g_script_state.trigger_param_2 = a.troop;
    run_agent_item_triggers(m, a.index, equipment_slot::body, body_item.kind, agent_item_dressed_event);
  }
}

int module_agent_hooks::choose_horse_item(mission&, const agent& rider) {
  // The horse slot as the equipment was chosen for the rider.
  if (rider.kind == agent_kind_horse) return -1;
  const item& horse = rider.equipment[static_cast<std::size_t>(equipment_slot::horse)];
  const item_kind* kind = horse.get_kind();
  return kind != nullptr && kind->type() == item_type::horse ? horse.kind : -1;
}

float module_agent_hooks::horse_hit_points(const item& horse) {
  return static_cast<float>(horse.get_max_hit_points());
}

float module_agent_hooks::hero_hit_points(int troop) {
  return campaign_.is_valid_troop(troop) ? campaign_.world.troop_health(troop) : 0.0f;
}

float module_agent_hooks::player_party_health_factor() {
  const party* p = campaign_.find_party(campaign_.player_party);
  return p != nullptr ? p->hunger : 0.0f;
}

// --- set-up ---------------------------------------------------------------------------------------

bool module_setup_steps::scene_info(const mission& m, mission_scene_info& out) {
  const hm::scene* s = scene_record(game_, m.scene_index);
  if (s == nullptr) return false;
  out.flags = s->flags;
  out.min_x = s->min_x;
  out.min_y = s->min_y;
  out.max_x = s->max_x;
  out.max_y = s->max_y;
  return true;
}

void module_setup_steps::clear_physics_worlds(mission&) { clear_mission_physics(); }

void module_setup_steps::load_scene_objects(mission& m) {
  nav_mesh_data_.clear();
  const hm::scene* s = scene_record(game_, m.scene_index);
  if (s == nullptr) return;
  scene_file_contents file;
  if (!read_scene_file(s->id.c_str(), s->name.c_str(), file)) return;
  nav_mesh_data_ = std::move(file.navigation_data);
  for (std::size_t record = 0; record < file.objects.size(); ++record) {
    const placed_scene_object& placed = file.objects[record];
    const int kind = placed.object_class;
    if (kind < prop_kind_object || kind > prop_kind_passage) {
      log_line("Scene object of class " + std::to_string(kind) + " skipped");
      continue;
    }
    m.scene_prop_instances.emplace_back();
    scene_prop_instance& p = m.scene_prop_instances.back();
    init_scene_object_record(p, kind, kind == prop_kind_entry ? -1 : placed.kind_id, placed.variation,
                             placed.placement);
    p.scale = placed.scale;
    p.scene_record = static_cast<std::int32_t>(record);
    m.init_prop_hit_points(m.prop_instance_count() - 1);
  }
}

void module_setup_steps::prepare_terrain_code(mission& m, const mission_scene_info& info) {
  const hm::scene* s = scene_record(game_, m.scene_index);
  if (s == nullptr || !info.outdoor()) return;
  g_terrain_generator.code.parse(s->terrain_code.c_str());
  // A random scene is the land where the player's party stands: its seeds
  // come from the party's place on the map.
  if ((info.flags & scene_flag::random_terrain) == 0) return;
  const party* p = campaign_.find_party(campaign_.player_party);
  if (p == nullptr) return;
  const std::int32_t mission_counter = p->stack_count > 0 ? p->stacks.front().mission_counter : 0;
  set_random_scene_seeds(g_terrain_generator.code, p->position.x, p->position.y, game_.encounter_counter,
                         mission_counter);
}

float module_setup_steps::prop_radius(const mission& m, int instance) {
  const scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(instance)];
  return p.entity != nullptr ? p.entity->get_bounding_radius() : 0.0f;
}

void module_setup_steps::create_scene_world(mission& m, const mission_scene_info& info) {
  if (!info.outdoor()) {
    m.scene = std::make_unique<scene_world>();
    return;
  }
  // The grid of cells over the scene's bounds: with one cell for the whole
  // field every ground query of every agent would walk all the terrain's
  // faces.
  scene_world_setup setup;
  setup.scene_flags = scene_flag_generated_terrain;
  setup.bounds_min = vec3(info.min_x, info.min_y, 0.0f);
  setup.bounds_max = vec3(info.max_x, info.max_y, 0.0f);
  m.scene = hm::create_scene_world(setup);
}

void module_setup_steps::build_terrain(mission& m, const mission_scene_info& info) {
  if (info.outdoor()) g_terrain_generator.generate_terrain(m.scene.get());
}

void module_setup_steps::build_nav_mesh(mission& m, const mission_scene_info& info) {
  nav_mesh_.clear();
  if (!nav_mesh_data_.empty()) {
    binary_reader reader;
    reader.open_memory("navigation graph", nav_mesh_data_.data(), nav_mesh_data_.size());
    if (nav_mesh_.read(reader, "navigation graph")) {
      nav_mesh_.link_edges_to_faces();
      nav_mesh_.update_faces();
    }
  }
  // A generated scene without a graph of its own gets a grid over its ground.
  if (nav_mesh_.faces.empty() && info.outdoor()) build_grid_ai_mesh(nav_mesh_, g_terrain_generator.heights, 2);
  m.nav_mesh = &nav_mesh_;
  if (m.scene) m.scene->index_ai_mesh(&nav_mesh_);
}

void module_setup_steps::create_prop_entities(mission& m, const mission_scene_info&) {
  for (int i = 0; i < m.prop_instance_count(); ++i) create_scene_prop_entity(m, i, -1);
}

void module_setup_steps::add_features(mission&, const mission_scene_info& info) {
  if (info.outdoor()) g_terrain_generator.add_features();
}

void module_setup_steps::create_weather_effects(mission& m, const mission_scene_info& info) {
  if (!m.scene) return;
  // The sun, its fill light and the ambient colour of the mission's sky at
  // the campaign's hour; fog where the weather brought some.
  skybox_lighting sky;
  if (!g_skyboxes.empty()) {
    const std::size_t chosen = static_cast<std::size_t>(std::clamp(m.weather.sky, 0, static_cast<int>(g_skyboxes.size()) - 1));
    sky = to_skybox_lighting(g_skyboxes[chosen]);
  } else {
    sky.sun_colour = vec3(1.0f, 0.95f, 0.85f);
    sky.ambient_colour = color{0.45f, 0.5f, 0.6f, 1.0f};
    sky.latitude = 45.0f;
  }
  const int hour = time_of_day_hour(clock_ticks(clock_campaign), game_.start_time_stamp);
  set_up_time_of_day(*m.scene, sky, info.flags, m.weather.fog_density, hour, g_terrain_generator.pixel_shaders);
  if (m.weather.fog_distance > 0.0f) m.scene->set_fog_range(0.0f, m.weather.fog_distance, sky.fog_colour);
}

void module_setup_steps::reset_spawn_counters(mission& m) {
  placed_.clear();
  for (const mission_side_list& side : m.side_lists) {
    for (int i = 0; i < std::clamp(side.count, 0, side_list_capacity); ++i) {
      campaign_.reset_stack_mission_counters(side.parties[static_cast<std::size_t>(i)]);
    }
  }
  campaign_.reset_stack_mission_counters(campaign_.player_party);
}

bool module_setup_steps::spawn_at_entry_point(mission& m, int record) {
  return hm::spawn_at_entry_point(m, campaign_, placed_, record, hooks_);
}

// --- the entry ------------------------------------------------------------------------------------

bool start_mission(mission& m, game& g, campaign_state& campaign, int template_index, int scene_index,
                   mission_start& start) {
  if (template_index < 0 || template_index >= static_cast<int>(g_mission_templates.size())) {
    m.clear();
    log_line("Mission template " + std::to_string(template_index) + " does not exist (the module has " +
             std::to_string(g_mission_templates.size()) + ")\n");
    return false;
  }
  if (scene_record(g, scene_index) == nullptr) {
    m.clear();
    log_line("Scene " + std::to_string(scene_index) + " does not exist (the module has " +
             std::to_string(g.scene_count()) + ")\n");
    return false;
  }
  m.template_index = template_index;
  m.scene_index = scene_index;
  start.hooks = std::make_unique<module_agent_hooks>(g, campaign);
  start.steps = std::make_unique<module_setup_steps>(g, campaign, *start.hooks);
  set_up_mission(m, *start.steps);
  // Reinforcements come through the same steps while the mission runs.
  m.services().set_setup_steps(start.steps.get());
  return true;
}

}  // namespace hm
