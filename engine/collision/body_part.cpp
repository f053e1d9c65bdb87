#include "engine/collision/body_part.h"

#include <iterator>

#include "engine/collision/body_part_io.h"
#include "engine/collision/capsule.h"
#include "engine/collision/composite_body.h"
#include "engine/collision/face.h"
#include "engine/collision/manifold.h"
#include "engine/collision/sphere.h"
#include "engine/core/log.h"

namespace hm {

namespace {

constexpr const char* type_names[] = {"sphere", "capsule", "face", "composite_body", "manifold"};

}  // namespace

vec3 body_part::get_bounding_min() const { return vec3(0.0f, 0.0f, 0.0f); }
vec3 body_part::get_bounding_max() const { return vec3(0.0f, 0.0f, 0.0f); }

const char* body_part_type_name(int type_id) {
  if (type_id < 0 || type_id >= static_cast<int>(std::size(type_names))) return nullptr;
  return type_names[type_id];
}

std::unique_ptr<body_part> create_body_part(int type_id) {
  switch (type_id) {
    case sphere_type_id: return std::make_unique<sphere>();
    case capsule_type_id: return std::make_unique<capsule>();
    case face_type_id: return std::make_unique<face>();
    case composite_body_type_id: return std::make_unique<composite_body>();
    case manifold_type_id: return std::make_unique<manifold>();
    default: return nullptr;
  }
}

std::unique_ptr<body_part> create_body_part(std::string_view type_name) {
  for (int id = 0; id < static_cast<int>(std::size(type_names)); ++id) {
    if (type_name == type_names[id]) return create_body_part(id);
  }
  return nullptr;
}

namespace body_io {

void fail_record(const stream& s, const char* what, std::int64_t value) {
  ruv_error("bad body part record in %s: %s %lld", s.name.c_str(), what, static_cast<long long>(value));
}

std::int32_t read_count(stream& s, const char* what, std::int32_t max_count, int min_bytes_per_item) {
  std::int32_t count = 0;
  s.read_int(count);
  if (count < 0 || count > max_count) fail_record(s, what, count);
  if (min_bytes_per_item > 0 &&
      static_cast<std::int64_t>(count) * min_bytes_per_item > static_cast<std::int64_t>(s.unread().size())) {
    fail_record(s, what, count);
  }
  return count;
}

}  // namespace body_io

}  // namespace hm
