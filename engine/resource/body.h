#pragma once
// A named collision shape kept in resource files: one body part (of any kind)
// under a name, so props, items and scenes can refer to their shape by name.
#include <memory>

#include "engine/collision/body_part.h"
#include "engine/resource/resource.h"

namespace hm {

class stream;

class body : public resource {
 public:
  body() = default;
  ~body() override;
  body(const body&) = delete;
  body& operator=(const body&) = delete;

  int get_type_id() const override { return body_resource_type_id; }
  const char* get_type_name() const override { return "body"; }

  // The record: name (string), the part's type word ("composite", "sphere",
  // "capsule", "face", "manifold"), then the part's own record. An unknown type
  // word is fatal with "unrecognized body part %s \n".
  void read(stream& s);
  // Writes the same record; a part of no known kind (or no part) is fatal with
  // "unrecognized body part".
  void write(stream& s) const;

  // The run-time copy of the part that a scene or an entity places: spheres,
  // capsules, faces and composites copied as they are, a manifold as a
  // composite of one face per polygon. Null without a part.
  std::unique_ptr<body_part> instantiate() const;

  // The owned part; null until read or assigned.
  std::unique_ptr<body_part> part;
};

// The type word of a body record for a part's type id ("composite" for the
// composite body), or null for an unknown id.
const char* body_record_type_word(int type_id);
// A new default part for a body record's type word, or null for an unknown word.
std::unique_ptr<body_part> create_body_part_for_record(std::string_view type_word);

}  // namespace hm
