#include "engine/resource/body.h"

#include <string_view>

#include "engine/core/log.h"
#include "engine/core/stream.h"

namespace hm {

namespace {

// Body records name the composite "composite", not "composite_body"; the other
// kinds use their own names. Indexed by type id.
constexpr const char* record_type_words[] = {"sphere", "capsule", "face", "composite", "manifold"};

}  // namespace

const char* body_record_type_word(int type_id) {
  if (type_id < 0 || type_id >= static_cast<int>(std::size(record_type_words))) return nullptr;
  return record_type_words[type_id];
}

std::unique_ptr<body_part> create_body_part_for_record(std::string_view type_word) {
  for (int id = 0; id < static_cast<int>(std::size(record_type_words)); ++id) {
    if (type_word == record_type_words[id]) return create_body_part(id);
  }
  return nullptr;
}

body::~body() = default;

std::unique_ptr<body_part> body::instantiate() const {
  if (!part) return nullptr;
  switch (part->get_type_id()) {
    case sphere_type_id:
    case capsule_type_id:
    case face_type_id:
    case composite_body_type_id:
    case manifold_type_id:
      return part->clone();
    default:
      return nullptr;
  }
}

void body::read(stream& s) {
  s.read_string(name);
  ruv_string type_word;
  s.read_string(type_word);
  std::unique_ptr<body_part> new_part = create_body_part_for_record(type_word.view());
  if (!new_part) ruv_error("unrecognized body part %s \n", type_word.c_str());
  new_part->read(s);
  part = std::move(new_part);
}

void body::write(stream& s) const {
  const char* type_word = part ? body_record_type_word(part->get_type_id()) : nullptr;
  if (!type_word) ruv_error("unrecognized body part");
  s.write_string(name);
  s.write_cstr(type_word);
  part->write(s);
}

}  // namespace hm
