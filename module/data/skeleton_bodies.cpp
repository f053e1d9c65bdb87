#include "module/data/skeleton_bodies.h"

#include <tinyxml.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "engine/core/log.h"
#include "engine/core/xml_depth.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "platform/fs.h"

namespace hm {

std::vector<skeleton_body> g_skeleton_bodies;

namespace {

// Bone descriptions by skeleton, indexed by bone. Kept beside the skeleton
// resources, which carry no ragdoll fields of their own.
std::map<const skeleton*, std::vector<std::optional<skeleton_body_bone>>>& bone_bodies() {
  static std::map<const skeleton*, std::vector<std::optional<skeleton_body_bone>>> table;
  return table;
}

// The message names the file when it is known.
[[noreturn]] void fail_load(const char* path) {
  if (path && *path) ruv_error("Unable To Load Skeleton Body File! %s", path);
  ruv_error("Unable To Load Skeleton Body File!");
}

// Stores the attribute as a float only when it is present and numeric.
void read_float_attribute(const TiXmlElement& element, const char* name, float& target) {
  double value = 0.0;
  if (element.QueryDoubleAttribute(name, &value) == TIXML_SUCCESS) target = static_cast<float>(value);
}

void read_body_part(const TiXmlElement& element, skeleton_body_part& part) {
  read_float_attribute(element, "radius", part.radius);
  read_float_attribute(element, "pos_x", part.pos.x);
  read_float_attribute(element, "pos_y", part.pos.y);
  read_float_attribute(element, "pos_z", part.pos.z);
  read_float_attribute(element, "pos2_x", part.pos2.x);
  read_float_attribute(element, "pos2_y", part.pos2.y);
  read_float_attribute(element, "pos2_z", part.pos2.z);
}

void read_skeleton_bodies(const TiXmlElement& element, skeleton_body_bone& bone) {
  if (const char* name = element.Attribute("name")) bone.name = ruv_string(name);
  read_float_attribute(element, "bone_mass", bone.bone_mass);
  read_float_attribute(element, "bone_cone_min", bone.cone_min);
  read_float_attribute(element, "bone_cone_max", bone.cone_max);
  read_float_attribute(element, "bone_twist_limit", bone.twist_limit);
  read_float_attribute(element, "socket_dir_x", bone.socket_dir.x);
  read_float_attribute(element, "socket_dir_y", bone.socket_dir.y);
  read_float_attribute(element, "socket_dir_z", bone.socket_dir.z);
  read_float_attribute(element, "rotate_side", bone.rotation_weights.x);
  read_float_attribute(element, "rotate_forward", bone.rotation_weights.y);
  read_float_attribute(element, "rotate_up", bone.rotation_weights.z);
  if (bone.socket_dir.length() < 0.01f) bone.socket_dir = vec3(0.0f, 1.0f, 0.0f);
  bone.socket_dir.normalize();
  if (const TiXmlElement* bodies = element.FirstChildElement("Bodies")) {
    for (const TiXmlElement* e = bodies->FirstChildElement(); e; e = e->NextSiblingElement()) {
      bone.body_parts.emplace_back();
      read_body_part(*e, bone.body_parts.back());
    }
  }
}

void read_skeleton_body(const TiXmlElement& element, skeleton_body& body) {
  if (const char* name = element.Attribute("name")) body.skeleton_name = ruv_string(name);
  if (const TiXmlElement* bones = element.FirstChildElement("Bones")) {
    for (const TiXmlElement* e = bones->FirstChildElement(); e; e = e->NextSiblingElement()) {
      body.bones.emplace_back();
      read_skeleton_bodies(*e, body.bones.back());
    }
  }
}

}  // namespace

void load_skeleton_bodies_from_text(const char* xml, const char* path) {
  // Text the parser cannot walk safely (nesting deeper than any skeleton
  // file, broken UTF-8) is refused before it sees it.
  if (!xml_text_can_be_parsed(xml)) fail_load(path);
  TiXmlDocument document;
  document.Parse(xml);
  if (document.Error()) fail_load(path);
  const TiXmlElement* skeletons = document.FirstChildElement("Skeletons");
  if (!skeletons) fail_load(path);
  // Every game start reads the file again: the table is replaced, not grown.
  g_skeleton_bodies.clear();
  for (const TiXmlElement* e = skeletons->FirstChildElement(); e; e = e->NextSiblingElement()) {
    g_skeleton_bodies.emplace_back();
    read_skeleton_body(*e, g_skeleton_bodies.back());
  }
}

void load_skeleton_bodies(const char* path) {
  const std::optional<std::string> text = platform::read_whole_file(path ? path : "", true);
  if (!text) fail_load(path);
  load_skeleton_bodies_from_text(text->c_str(), path);
}

void fix_skeletons() {
  for (const skeleton_body& body : g_skeleton_bodies) {
    skeleton* s = g_resource_manager.get_skeleton(body.skeleton_name);
    const int skeleton_bones = std::min(s->bone_count, static_cast<int>(s->bones.size()));
    auto& attached = bone_bodies()[s];
    if (static_cast<int>(attached.size()) < skeleton_bones) attached.resize(static_cast<std::size_t>(skeleton_bones));
    const int n = std::min(static_cast<int>(body.bones.size()), skeleton_bones);
    for (int i = 0; i < n; ++i) {
      const skeleton_body_bone& bone = body.bones[static_cast<std::size_t>(i)];
      s->bones[static_cast<std::size_t>(i)].name = ruv_string(bone.name.view());
      attached[static_cast<std::size_t>(i)] = bone;
    }
  }
}

const skeleton_body_bone* find_skeleton_bone_body(const skeleton& s, int bone) {
  auto it = bone_bodies().find(&s);
  if (it == bone_bodies().end() || bone < 0 || bone >= static_cast<int>(it->second.size())) return nullptr;
  const auto& entry = it->second[static_cast<std::size_t>(bone)];
  return entry ? &*entry : nullptr;
}

void clear_skeleton_bone_bodies() { bone_bodies().clear(); }

}  // namespace hm
