#pragma once
// The two intro movies before the game's window opens, each played by an
// outside movie player that the start waits for a while. The second plays
// only when the first was watched (it ran more than 15 seconds) rather than
// skipped. A missing movie or player never stops the start: it goes on
// without them, with a log line.
#include <cstdint>
#include <functional>
#include <string>

namespace hm {

inline constexpr const char* first_intro_movie = "vellacor.bik";
inline constexpr const char* second_intro_movie = "brightfell_intro.bik";
inline constexpr int first_intro_wait_ms = 22500;
inline constexpr int second_intro_wait_ms = 7300;
// The first movie's time after which it counts as watched.
inline constexpr double intro_watched_seconds = 15.0;

enum class movie_play { played, no_player };

struct intro_movie_services {
  // Whether the movie is in the working folder.
  std::function<bool(const std::string& movie)> movie_exists;
  // Plays the movie, waiting at most the time given.
  std::function<movie_play(const std::string& movie, int wait_ms)> play;
  // The application's absolute time in seconds.
  std::function<double()> seconds;
  std::function<void(const std::string& line)> log;
};

// 0 when no movie played, 1 after the first, 2 after both.
int play_intro_movies(const intro_movie_services& services);

// The real services: movies in the working folder, played by "ffplay"
// (ending at the movie's end, at Escape or Q, or at the wait's end) in a
// process of its own.
intro_movie_services host_intro_movie_services();

}  // namespace hm
