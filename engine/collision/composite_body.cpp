#include "engine/collision/composite_body.h"

#include <string_view>

#include "engine/collision/body_part_io.h"
#include "engine/core/log.h"

namespace hm {

namespace {

// The kinds a composite record may hold; a composite inside a composite is not
// stored in files.
std::unique_ptr<body_part> create_member(std::string_view name) {
  if (name == "sphere" || name == "capsule" || name == "face" || name == "manifold") return create_body_part(name);
  return nullptr;
}

bool near_one(float factor) { return factor >= 0.999999f && factor <= 1.000001f; }

}  // namespace

void composite_body::read(stream& s) {
  // Every part is at least a type name and one value.
  const std::int32_t count = body_io::read_count(s, "composite part count", 0x7FFFFFFF, 2);
  parts.clear();
  parts.reserve(static_cast<std::size_t>(count));
  ruv_string name;
  for (std::int32_t i = 0; i < count; ++i) {
    s.read_string(name);
    std::unique_ptr<body_part> part = create_member(name.view());
    if (!part) ruv_error("unrecognized body  %s \n", name.c_str());
    part->read(s);
    parts.push_back(std::move(part));
  }
}

void composite_body::write(stream& s) const {
  s.write_int(part_count());
  for (const auto& part : parts) {
    const int id = part ? part->get_type_id() : -1;
    if (id != sphere_type_id && id != capsule_type_id && id != face_type_id && id != manifold_type_id) {
      ruv_error("unrecognized body \n");
    }
    s.write_cstr(body_part_type_name(id));
    part->write(s);
  }
}

std::unique_ptr<body_part> composite_body::clone() const {
  auto copy = std::make_unique<composite_body>();
  copy->parts.reserve(parts.size());
  for (const auto& part : parts) copy->parts.push_back(part ? part->clone() : nullptr);
  copy->tag = tag;
  copy->flags = flags;
  return copy;
}

void composite_body::render_debug(body_debug_drawer& drawer) const {
  for (const auto& part : parts) {
    if (part) part->render_debug(drawer);
  }
}

void composite_body::scale(const vec3& k) {
  if (near_one(k.x) && near_one(k.y) && near_one(k.z)) return;
  for (const auto& part : parts) {
    if (part) part->scale(k);
  }
}

void composite_body::transform_to_frame(const frame& f) {
  for (const auto& part : parts) {
    if (part) part->transform_to_frame(f);
  }
}

void composite_body::set_owner_id(int id) {
  for (const auto& part : parts) {
    if (part) part->set_owner_id(id);
  }
}

vec3 composite_body::get_bounding_min() const {
  vec3 out(1e6f, 1e6f, 1e6f);
  for (const auto& part : parts) {
    if (part) vec3_min(out, out, part->get_bounding_min());
  }
  return out;
}

vec3 composite_body::get_bounding_max() const {
  vec3 out(-1e6f, -1e6f, -1e6f);
  for (const auto& part : parts) {
    if (part) vec3_max(out, out, part->get_bounding_max());
  }
  return out;
}

void composite_body::set_flags(std::uint32_t value) {
  body_part::set_flags(value);
  for (const auto& part : parts) {
    if (part) part->set_flags(value);
  }
}

void composite_body::add_flags(std::uint32_t value) {
  body_part::add_flags(value);
  for (const auto& part : parts) {
    if (part) part->add_flags(value);
  }
}

void composite_body::copy_from(const composite_body& other) {
  if (&other == this) return;
  std::vector<std::unique_ptr<body_part>> copies;
  copies.reserve(other.parts.size());
  for (const auto& part : other.parts) copies.push_back(part ? part->clone() : nullptr);
  parts = std::move(copies);
  tag = other.tag;
  flags = other.flags;
}

body_part& composite_body::add_part(std::unique_ptr<body_part> part) {
  parts.push_back(std::move(part));
  return *parts.back();
}

}  // namespace hm
