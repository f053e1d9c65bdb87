#include "mission/props/prop_entity.h"

#include <memory>
#include <string>
#include <vector>

#include "engine/collision/body_part.h"
#include "engine/collision/capsule.h"
#include "engine/collision/sphere.h"
#include "engine/resource/body.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/data/data_files.h"
#include "module/data/flora_kind.h"
#include "module/records/item_kind.h"
#include "module/records/scene_prop.h"
#include "render/entity/dynamic_entity.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/triggers.h"

namespace hm {

namespace {

constexpr int prop_owner_kind = 12;
constexpr int prop_created_event = -40;
constexpr int item_prop_created_event = -50;
constexpr std::int32_t prop_flag_hidden_outside_editing = 0x4000;
constexpr std::int32_t prop_flag_low_visibility = 0x12000;
constexpr float rand_unit = 6.322312e-5f;

const scene_prop* prop_kind_by_name_or_id(const scene_prop_instance& p) {
  int k = find_scene_prop_kind(p.name);
  if (k < 0) k = p.id;
  return k >= 0 && k < static_cast<int>(g_scene_prop_kinds.size()) ? &g_scene_prop_kinds[static_cast<std::size_t>(k)]
                                                                     : nullptr;
}

const item_kind* item_kind_by_name(const scene_prop_instance& p, int* index = nullptr) {
  const int k = find_item_kind(p.name);
  if (index != nullptr) *index = k;
  return k >= 0 && k < static_cast<int>(g_item_kinds.size()) ? &g_item_kinds[static_cast<std::size_t>(k)] : nullptr;
}

int prop_type(const scene_prop& kind) { return kind.flags & 0xff; }

bool has_body(const ruv_string& name) { return !name.empty() && name != "0"; }

// The mesh of that name and its level-of-detail meshes.
std::vector<const mesh*> meshes_named(const ruv_string& name) {
  std::vector<const mesh*> out;
  if (name.empty()) return out;
  if (const mesh* m = g_resource_manager.find_mesh(name)) out.push_back(m);
  for (int level = 1; level <= 4; ++level) {
    const std::string lod = std::string(name.c_str()) + ".lod" + std::to_string(level);
    if (const mesh* m = g_resource_manager.find_mesh(ruv_string(lod))) out.push_back(m);
  }
  return out;
}

}  // namespace

int flora_variant_index(const ruv_string& flora_name, int variation) {
  const int k = find_flora_kind(flora_name);
  if (k < 0 || k >= static_cast<int>(g_flora_kinds.size())) return -1;
  const int count = static_cast<int>(g_flora_kinds[static_cast<std::size_t>(k)].variants.size());
  if (count <= 0 || variation < 0) return -1;
  return variation % count;
}

prop_entity_names prop_entity_names_for(const scene_prop_instance& p, bool editing) {
  prop_entity_names names;
  switch (p.kind) {
    case prop_kind_object:
      if (const scene_prop* kind = prop_kind_by_name_or_id(p)) {
        if (editing || (kind->flags & prop_flag_hidden_outside_editing) == 0) names.mesh = kind->mesh_name;
        names.body = kind->body_name;
      }
      break;
    case prop_kind_entry:
      if (editing) names.mesh = "entry_arrow";
      break;
    case prop_kind_item:
      if (const item_kind* kind = item_kind_by_name(p)) names.mesh = kind->get_mesh_name(0);
      break;
    case prop_kind_flora: {
      const int variant = flora_variant_index(p.name, p.variation);
      if (variant >= 0) {
        const flora_kind& kind = g_flora_kinds[static_cast<std::size_t>(find_flora_kind(p.name))];
        names.mesh = kind.variants[static_cast<std::size_t>(variant)].mesh_name;
        names.body = kind.variants[static_cast<std::size_t>(variant)].body_name;
      }
      break;
    }
    case prop_kind_passage:
      if (editing) names.mesh = "_mesh_passage";
      names.body = "bo_mesh_passage";
      break;
    case prop_kind_spawned_item:
      if (const item_kind* kind = item_kind_by_name(p)) {
        const int type = kind->type();
        item it;
        it.word = static_cast<std::uint32_t>(p.variation);
        if (type == item_type::one_handed || type == item_type::two_handed || type == item_type::polearm ||
            type == item_type::arrows || type == item_type::bolts || type == item_type::bullets) {
          names.mesh = kind->get_mesh_for_role(3, it.modifier());
        }
        if (names.mesh.empty()) names.mesh = kind->get_mesh_name(it.modifier());
      }
      break;
    case prop_kind_shield:
      if (const item_kind* kind = item_kind_by_name(p)) {
        item it;
        it.word = static_cast<std::uint32_t>(p.variation);
        names.mesh = kind->get_mesh_name(it.modifier());
      }
      names.body = "boshield";
      break;
    default:
      break;
  }
  return names;
}

void create_scene_prop_entity(mission& m, int index, int agent_index) {
  scene_prop_instance* p = m.get_scene_prop_instance(index);
  if (p == nullptr || !m.scene) return;
  p->current_frame = p->placed_frame;
  const bool editing = m.services().edit_mode().editing;
  const prop_entity_names names = prop_entity_names_for(*p, editing);
  const std::vector<const mesh*> meshes = meshes_named(names.mesh);
  const body* collision =
      has_body(names.body) ? static_cast<const body*>(g_resource_manager.find(body_resource_type_id, names.body))
                           : nullptr;
  const scene_prop* prop_kind = p->kind == prop_kind_object ? prop_kind_by_name_or_id(*p) : nullptr;

  if (p->kind == prop_kind_shield) {
    int item_index = -1;
    item_kind_by_name(*p, &item_index);
    p->id = item_index;
    auto* e = static_cast<dynamic_entity*>(m.scene->create_entity(dynamic_entity_type));
    for (const mesh* source : meshes) e->add_mesh(source->create_copy());
    if (collision != nullptr) e->body = collision->instantiate();
    e->set_frame(p->placed_frame);
    e->owner_word = prop_owner_kind;
    e->owner_word_2 = index;
    p->second_entity = e;
    // The broken shield's remains fly off with a random tumble.
    mission_services& s = m.services();
    const auto draw = [&s] { return static_cast<float>(s.random_next() % 15817); };
    const float r1 = draw() * rand_unit;
    const float r2 = 1.0f + draw() * 0.00012644623f;
    const float r3 = draw() * 0.00012644623f;
    const frame& f = e->frame;
    e->velocity = f.rot.u * r1 + f.rot.f * r3 + vec3(0.0f, 0.0f, r2);
    const float a1 = draw() * 0.00056900806f;
    const float a2 = draw() * 0.00025289247f;
    const float a3 = draw() * 0.0003793387f;
    e->angular_velocity = p->placed_frame.rot.u * a1 + p->placed_frame.rot.f * a2 + p->placed_frame.rot.s * a3;
  } else {
    entity* e = m.scene->create_entity(strategic_entity_type);
    const bool mirrored = p->scale.x * p->scale.y * p->scale.z < 0.0f;
    const std::uint32_t mask =
        prop_kind != nullptr && (prop_kind->flags & prop_flag_low_visibility) != 0 ? 0xffffu : 0x1ffffu;
    for (const mesh* source : meshes) {
      std::unique_ptr<mesh> copy = source->create_copy();
      copy->visibility_mask = mask;
      if (mirrored) copy->flip_winding = 1;
      e->add_mesh(std::move(copy));
    }
    if (collision != nullptr) {
      std::unique_ptr<body_part> part = collision->instantiate();
      std::uint32_t flags = 8;
      if (prop_kind != nullptr) {
        if (prop_type(*prop_kind) == 8) {
          flags = 0x10c;
        } else if ((prop_kind->flags & prop_flag_hidden_outside_editing) != 0) {
          flags = 0xc;
        } else if ((prop_kind->flags & prop_flag_destructible) != 0) {
          flags = 0;
        }
      }
      if (part != nullptr) {
        part->set_flags(flags);
        part->scale(p->scale);
        part->transform_to_frame(p->current_frame);
        e->body = std::move(part);
      }
    } else if (p->kind == prop_kind_item || p->kind == prop_kind_spawned_item) {
      int item_index = -1;
      const item_kind* kind = item_kind_by_name(*p, &item_index);
      p->id = item_index;
      std::unique_ptr<body_part> shape;
      const int type = kind != nullptr ? kind->type() : -1;
      if (type == item_type::horse) {
        shape = std::make_unique<capsule>(vec3(0.0f, -0.3f, 1.05f), vec3(0.0f, 0.67f, 1.15f), 0.4f);
      } else if (type == item_type::goods) {
        shape = std::make_unique<sphere>(vec3(), 0.3f);
      } else if (p->kind == prop_kind_spawned_item && kind != nullptr &&
                 (kind->is_ranged_weapon() || kind->is_melee_weapon() || type == item_type::arrows ||
                  type == item_type::bolts || type == item_type::shield || type == item_type::bullets)) {
        shape = std::make_unique<sphere>(vec3(), 0.5f);
      }
      if (shape != nullptr) {
        shape->scale(p->scale);
        if (p->kind == prop_kind_item) {
          shape->transform_to_frame(p->current_frame);
          m.scene->add_body(std::move(shape));
        } else {
          e->body = std::move(shape);
        }
      }
    }
    e->set_frame_and_scale(p->current_frame, p->scale);
    p->entity_frame = p->current_frame;
    e->owner_word = prop_owner_kind;
    e->owner_word_2 = index;
    p->entity = e;
    m.prop_entities.push_back(e);
  }

  // Creation triggers: the prop kind's, or the item kind's for items.
  if (p->kind == prop_kind_object && prop_kind != nullptr && !prop_kind->triggers.triggers.empty()) {
    g_script_state.trigger_param_1 = index;
    if (script_campaign_host* campaign = current_script_host().campaign) {
      campaign->game_words().set_reference_frame(p->current_frame);
    }
    const std::int32_t outer = m.event_prop_instance;
    m.event_prop_instance = index;
    run_simple_triggers(const_cast<scene_prop*>(prop_kind)->triggers, prop_created_event);
    m.event_prop_instance = outer;
  } else if (p->kind == prop_kind_item || p->kind == prop_kind_spawned_item || p->kind == prop_kind_shield) {
    int item_index = -1;
    item_kind_by_name(*p, &item_index);
    if (item_index >= 0 && !g_item_kinds[static_cast<std::size_t>(item_index)].triggers.triggers.empty()) {
      const agent* a = m.get_agent(agent_index);
      g_script_state.trigger_param_1 = agent_index;
      g_script_state.trigger_param_2 = a != nullptr ? a->troop : -1;
      run_simple_triggers(g_item_kinds[static_cast<std::size_t>(item_index)].triggers, item_prop_created_event);
    }
  }
}

}  // namespace hm
