#pragma once
// The world map's side of the campaign until the world map exists: parties get
// no map entity, and the whole map is one face, so every point is reachable
// from every other and spawned parties land anywhere within their radius; it
// is all land.
#include "campaign/party/campaign_world.h"

namespace hm {

class stand_in_map final : public campaign_map {
 public:
  void create_map_entity(party&) override {}
  void remove_map_entity(party&) override {}
  int find_map_face(float, float) const override { return 0; }
  bool map_faces_are_linked(int face_a, int face_b) const override { return face_a >= 0 && face_a == face_b; }
  int map_face_terrain(int) const override { return 2; }
  int add_party_particle_system(party&, int) override { return -1; }
  void clear_party_particle_systems(party&) override {}
};

}  // namespace hm
