#pragma once
// The world map's running state for the campaign: the map mesh, the travel
// context over it, the tracks parties leave, and the per-party step that the
// world map's frame calls for every active party with the campaign time step.
// It is also the campaign's map (campaign_map): the face queries and the
// placing of parties go through it.
#include <cstdint>
#include <memory>
#include <vector>

#include "campaign/movement/party_travel.h"
#include "campaign/party/campaign_world.h"
#include "engine/core/math.h"

namespace hm {

// A track on the map: where and which way a party went, and a word of its
// troop count (low byte), its template (next byte, 255 for none) and a random
// nibble (bits 16 to 19).
struct map_track {
  vec3 position;
  float heading = 0.0f;
  std::uint32_t word = 0;
  frame placement = frame::identity();
};

// The placement of a track (or battle remains): on the face's plane, facing
// the heading, scaled by its troop count.
void set_track_frame(const world_map& map, map_track& t);

class campaign_world_map final : public campaign_map {
 public:
  campaign_world_map() = default;
  campaign_world_map(const campaign_world_map&) = delete;
  campaign_world_map& operator=(const campaign_world_map&) = delete;

  // The campaign whose parties move here; before it is bound nothing moves.
  void bind(campaign_state& game);

  // Until a map is read (a game started without the world map) the map is
  // one all-land face under every point, as parties created then still need
  // one.
  bool has_map() const { return !map.faces.empty(); }

  // --- campaign_map ---
  // Places the party on the face under its position (fatal when none). Its
  // strategic entity is the world map screen's to draw.
  void create_map_entity(party& p) override;
  void remove_map_entity(party& p) override;
  int find_map_face(float x, float y) const override;
  bool map_faces_are_linked(int face_a, int face_b) const override;
  int map_face_terrain(int face) const override;
  // Particle systems hang on the strategic entity: without one, -1.
  int add_party_particle_system(party& p, int kind) override;
  void clear_party_particle_systems(party& p) override;

  // --- the per-frame step ---
  // One step of one party over dt campaign hours: AI decision and steering
  // on their timers, path upkeep, the straight move, landing, contact, tracks.
  void move_party(party& p, float dt);
  // Every active party in slot order.
  void move_parties(float dt);
  // Lays a track of the party at a point.
  void add_track(const party& p, const vec3& position, float heading);

  world_map map;
  std::unique_ptr<travel_context> travel;
  std::vector<map_track> tracks;
  // The last encounter a contact started, and how many were started.
  player_encounter encounter;
  std::int32_t engagements = 0;
  // Landings of the player's ship (module code's disembark script calls).
  std::int32_t disembarks = 0;
  // Set once the map scene was built: the map is then not read again.
  bool scene_built = false;
  // game_start has run for this campaign.
  bool game_started = false;
};

}  // namespace hm
