#pragma once
// The run-time pose of one skeleton resource for one entity: per bone its local
// and model-space frames and rotations, the meshes and LOD groups attached to it,
// and the animation channels that drive it. Every step the channel weights fade,
// each channel's animation is sampled at its progress, the channels are blended
// per bone and the bone frames are rebuilt; skinned meshes and bone attachments
// then follow the pose.
//
// Quaternions are (w, x, y, z) and compose like the frames they stand for: the
// product a * b turns by b first, then by a.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "engine/resource/skeleton.h"

namespace hm {

class mesh_render_view;
class particle_system_instance;

quaternion quaternion_multiply(const quaternion& a, const quaternion& b);
quaternion quaternion_conjugate(const quaternion& q);
// Unit length; a length below 1e-7 gives (0, 1, 0, 0).
quaternion quaternion_normalized(const quaternion& q);
// The quaternion of a proper rotation (trace method).
quaternion quaternion_from_rotation(const rotation& r);
rotation rotation_from_quaternion(const quaternion& q);

// Finds the key interval of a frame in a list of key times (count at least 2):
// the frame is clamped to the first and last keys; the cached index is kept,
// moved one forward or one back when that interval holds the frame, else a
// binary search finds it. Writes the index and the fraction within it.
void interpolate_anim_keys(const std::int32_t* times, int count, std::int32_t& cached_index, float frame_number,
                           float& fraction);

// Play modes and progress curves of a channel.
constexpr std::int32_t anim_play_loop = 20;
constexpr std::int32_t anim_play_once = 21;
constexpr std::int32_t anim_play_once_and_stop = 22;
constexpr std::int32_t anim_curve_linear = 1;
constexpr std::int32_t anim_curve_sine = 2;
constexpr std::int32_t anim_curve_square = 4;
constexpr std::int32_t anim_curve_square_root = 5;
// Root displacement modes.
constexpr std::int32_t anim_displacement_from = 11;
constexpr std::int32_t anim_displacement_track = 13;
constexpr std::int32_t anim_displacement_lerp = 14;

// One animation layer.
struct anim_channel {
  // The normalised progress by play mode (a duration of 0 or less counts as
  // finished); a play-once-and-stop channel clears `playing` at its end.
  float elapsed_time();
  // The progress through progress_curve.
  float shape_progress(float progress) const;

  float weight = 0.0f;
  std::uint64_t bone_mask = ~std::uint64_t{0};
  std::uint64_t override_mask = 0;
  float shaped_progress = 0.0f;
  std::int32_t clock = 0;
  std::int64_t start_tick = 0;
  float target_weight = 0.0f;
  float fade_out_time = 1.0f;
  float fade_in_time = 1.0f;
  std::int32_t anchor_bone = -1;
  float anchor_blend = 0.0f;
  std::int32_t frame_range[2] = {0, 0};
  const skeleton_anim* animation = nullptr;
  // Three per-bone arrays; the third holds the override rotations.
  std::vector<quaternion> bone_values[3];
  vec3 root_offset;
  vec3 displacement_from;
  vec3 displacement_to;
  std::int32_t displacement_mode = 0;
  float duration = 1.0f;
  std::int32_t play_mode = anim_play_loop;
  std::int32_t playing = 1;
  std::int32_t progress_curve = anim_curve_linear;
  float source_weight[2] = {1.0f, 0.0f};
  std::int32_t source_frame_offset = 0;
};

class skeleton_bone {
 public:
  skeleton_bone() = default;
  skeleton_bone(skeleton_bone&&) = default;
  skeleton_bone& operator=(skeleton_bone&&) = default;
  virtual ~skeleton_bone();
  // With an attached mesh, the first mesh takes the instance (else it is freed).
  virtual void add_particle_system(std::unique_ptr<particle_system_instance> instance);
  // With an attached mesh, the first mesh's light becomes this one (else it is freed).
  virtual void set_mesh_light(std::unique_ptr<mesh_light> light);
  // Index in the first mesh's particle systems of the last one with that id; -1.
  virtual int find_particle_system(int id) const;

  hm::frame rest_frame = hm::frame::identity();
  hm::frame local_frame = hm::frame::identity();
  hm::frame pose_frame = hm::frame::identity();
  quaternion local_rotation;
  quaternion global_rotation;
  quaternion rotation_delta;
  vec3 angular_velocity;
  // Per (channel, source), entry 2 x channel + source: sized by the channel count.
  std::vector<std::int32_t> key_cache_index;
  std::vector<const skeleton_anim*> key_cache_animation;
  std::vector<quaternion> key_cache_from;
  std::vector<quaternion> key_cache_to;
  // Attached meshes and LOD groups, owned by the bone.
  std::vector<std::unique_ptr<mesh>> meshes;
  std::int32_t lod_group_count = 0;
  std::vector<std::unique_ptr<lod_mesh_group>> lod_groups;
  std::int32_t parent = -1;
  std::int32_t child_count = 0;
  std::vector<std::int32_t> children;
  const skeleton_bone_def* resource_bone = nullptr;
  float blend_progress = 1.0f;
  float blend_rate = 1.0f;
};

class skeleton_instance {
 public:
  explicit skeleton_instance(int clock);
  ~skeleton_instance();
  skeleton_instance(const skeleton_instance&) = delete;
  skeleton_instance& operator=(const skeleton_instance&) = delete;

  // Binds the instance to a skeleton: bones with their rest frames, parents,
  // children and rotations; existing channels get their per-bone arrays.
  void set_skeleton(const skeleton& resource);
  // Adds channels on the instance's clock, with their per-bone arrays, and
  // widens every bone's key caches to match.
  void add_channels(int count);
  // The three per-bone arrays of one channel (empty for a count of 0).
  static void allocate_channels(anim_channel& channel, int count);

  // One step: weights, then the rest or the animated pose, then the particle
  // systems of the bones' meshes. Nothing while frozen.
  void update(float dt, const hm::frame& entity_frame);
  void compute_rest_pose();
  void compute_animated_pose();
  // The key rotation of a channel's source for a bone (not normalised). A bone
  // the animation has no keys for holds its local rotation; a one-key track
  // holds that key.
  quaternion key_rotation(int channel, int source, int bone);

  // The bone palette of a skinned mesh: for each bone the skinning matrix
  // (pose rotation times the transpose of the rest rotation, pose origin as the
  // translation) as 16 row-major floats with the translation in the fourth
  // column; bones the mesh names beyond this skeleton get the identity.
  void build_palette(mesh& m) const;
  // Deforms a skinned mesh by the current pose; `bake` puts the result in the
  // static pool instead of the dynamic one.
  void skin_mesh(mesh& m, bool bake) const;
  void skin_lod_slot(lod_mesh_group& group) const;
  void skin_all_lod_slots(lod_mesh_group& group, bool bake) const;
  void set_frozen(bool freeze);
  // Draws the bones' attachments, then the skinned meshes and LOD groups.
  void render(mesh_render_view& view, const hm::frame& f, float lod_factor);

  // The mesh's own frame becomes f; the bone owns the mesh from now on.
  void attach_mesh_to_bone(int bone, std::unique_ptr<mesh> m, const hm::frame& f);
  void attach_to_bone(int bone, std::unique_ptr<lod_mesh_group> group);
  // Destroys every bone attachment and the skinned meshes.
  void clear_attachments();
  // Hands a particle system, or a light, to the first mesh attached to bone
  // i, which then owns it (a light replaces the mesh's light, which is
  // deleted). A bone with nothing attached, or one the skeleton does not
  // have, deletes what it was given.
  void add_particle_system_to_bone(int bone, std::unique_ptr<particle_system_instance> instance);
  void set_light_of_bone(int bone, std::unique_ptr<mesh_light> light);

  std::int32_t bone_count = 0;
  std::vector<skeleton_bone> bones;
  const hm::skeleton* skeleton = nullptr;
  vec3 root_displacement;
  std::int32_t root_key_cache_index = 0;
  std::vector<std::unique_ptr<mesh>> skinned_meshes;
  // Not owned.
  std::vector<lod_mesh_group*> skinned_lod_groups;
  std::vector<anim_channel> channels;
  std::int32_t channel_count = 0;
  std::vector<std::int32_t> channel_words;
  std::int32_t zero_word = 0;
  std::uint8_t pose_valid = 0;
  float time_since_pose = 100.0f;
  std::uint8_t frozen = 0;
  std::int32_t one_word = 1;
  std::int32_t clock_id = 0;
  std::int32_t rest_pose_only = 0;
  std::int32_t track_velocities = 0;
  vec3 root_velocity;

 private:
  void advance_weights(float dt);
  vec3 channel_displacement(anim_channel& channel);
  quaternion channel_model_rotation(int channel, int bone);
};

}  // namespace hm
