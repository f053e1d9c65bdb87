#include "shell/start/intro_movies.h"

#include "engine/core/log.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace hm {

int play_intro_movies(const intro_movie_services& services) {
  const double start = services.seconds();
  auto play = [&](const char* movie, int wait_ms) {
    if (!services.movie_exists(movie)) {
      services.log(std::string("Intro movie ") + movie + " is not there; skipped.\n");
      return false;
    }
    if (services.play(movie, wait_ms) == movie_play::no_player) {
      services.log("No movie player (ffplay) could be started; the intro movies are skipped.\n");
      return false;
    }
    return true;
  };
  if (!play(first_intro_movie, first_intro_wait_ms)) return 0;
  // A first movie skipped early skips the second too.
  if (services.seconds() - start <= intro_watched_seconds) return 1;
  return play(second_intro_movie, second_intro_wait_ms) ? 2 : 1;
}

intro_movie_services host_intro_movie_services() {
  intro_movie_services s;
  s.movie_exists = [](const std::string& movie) { return platform::file_exists(movie); };
  s.play = [](const std::string& movie, int wait_ms) {
    const std::string path = platform::resolve_path(movie).string();
    const platform::run_outcome r =
        platform::run_and_wait("ffplay", {"-autoexit", "-loglevel", "quiet", "-window_title", "Hoofmarch", path}, wait_ms);
    return r == platform::run_outcome::not_started ? movie_play::no_player : movie_play::played;
  };
  s.seconds = [] { return platform::milliseconds_now() / 1000.0; };
  s.log = [](const std::string& line) { log_line(line); };
  return s;
}

}  // namespace hm
