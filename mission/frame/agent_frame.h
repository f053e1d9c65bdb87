#pragma once
// One agent's simulation for a frame, and its post-frame after every agent
// ran: the fixed order of steps that keeps riders, horses, blows, actions,
// weapons and movement consistent within a frame.
namespace hm {

struct agent;
class combat_random;
class mission;

// Labels, input (a rider's input reaches its mount), then with dt > 0 the
// blow, actions, weapon and movement, then lean and the fading visual
// offset. An agent whose body was removed does nothing.
void agent_frame(mission& m, agent& a, float dt, combat_random& random);
// Skeleton, a rider following its mount, a loose horse leaving at the
// scene's edge, the body state machine and the end of a finished voice.
void agent_post_frame(mission& m, agent& a, float dt, combat_random& random);

// The visual offset's fade of one component (the third eases differently).
float fade_visual_offset(float value, float dt, bool vertical);

}  // namespace hm
