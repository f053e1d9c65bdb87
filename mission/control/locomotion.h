#pragma once
// An agent's movement actions of one frame: its input block's movement bits
// become its planar velocity and the locomotion actions on its two channels
// (a human's stand, walk and run by stance and direction; a horse's gaits,
// turning, backing and rearing), jumps, mounting and dismounting, the
// rider's actions that follow the horse, and a shout. The movement update of
// the agent frame moves the body by the velocity left here.
#include <cstdint>

namespace hm {

class mission;
struct agent;

// agent_input::action_flags bits read here.
namespace input_bit {
inline constexpr std::uint32_t forward = 1u << 0;
inline constexpr std::uint32_t backward = 1u << 1;
inline constexpr std::uint32_t side_plus = 1u << 2;
inline constexpr std::uint32_t side_minus = 1u << 3;
inline constexpr std::uint32_t throttle = 1u << 4;
inline constexpr std::uint32_t brake = 1u << 5;
inline constexpr std::uint32_t turn_minus = 1u << 6;
inline constexpr std::uint32_t turn_plus = 1u << 7;
inline constexpr std::uint32_t dismount = 1u << 16;
inline constexpr std::uint32_t mount = 1u << 17;
inline constexpr std::uint32_t rear = 1u << 18;
inline constexpr std::uint32_t halt = 1u << 19;
inline constexpr std::uint32_t jump = 1u << 20;
inline constexpr std::uint32_t full_pace = 1u << 21;
}  // namespace input_bit

// gait_state bits of a horse.
inline constexpr std::uint32_t gait_forward = 1u << 8;
inline constexpr std::uint32_t gait_backing = 1u << 9;

// The whole update; humans first, then horses, once a frame.
void update_actions(mission& m, agent& a, float dt);

// The human gait after one frame at planar speed v, from gait g (0 stand, 1
// walk, 2 run), with the bands' overlap as hysteresis.
int next_human_gait(int g, float v);
// The horse gait after one frame at forward speed v: at most one step.
int next_horse_gait(int g, float v);

}  // namespace hm
