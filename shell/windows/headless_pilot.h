#pragma once
// What plays a run without a person and without recorded input: the road
// from the new game's first menu into one battle and back. In a game menu it
// takes the first shown option whose consequence starts a mission; the battle
// is fought by the agents' AI while the player's agent stands; it presses the
// debrief's "done"; and the first game menu after the battle, the battle's
// result, goes to the log ("Game menu <id>: <text>") before the run ends.
#include <cstdint>

namespace hm {

class game_window;
struct game_menu;

// The first shown option of the game menu window whose consequence starts a
// mission (changes the screen to the mission); -1 for none.
int mission_option(const game_window& menu_window);

class headless_pilot {
 public:
  // Looks at the top window before its frame and acts as a player would.
  // True once the run has reached its end.
  bool frame();

  bool battle_taken = false;
  bool finished = false;
  // A window is read for this many frames before the pilot acts on it.
  static constexpr int reading_frames = 30;

 private:
  const void* seen_ = nullptr;
  int seen_frames_ = 0;
};

}  // namespace hm
