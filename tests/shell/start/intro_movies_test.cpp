// The intro movies' order: the second only after a first that was watched,
// and the start goes on without a movie or a player.
#include "shell/start/intro_movies.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace hm;

namespace {

struct run {
  std::set<std::string> movies;  // in the working folder
  bool player = true;
  double first_movie_seconds = 0.0;  // how long the first ran
  std::vector<std::pair<std::string, int>> played;
  std::vector<std::string> log;
  double now = 100.0;

  int start() {
    intro_movie_services s;
    s.movie_exists = [this](const std::string& m) { return movies.count(m) != 0; };
    s.play = [this](const std::string& m, int wait_ms) {
      if (!player) return movie_play::no_player;
      played.emplace_back(m, wait_ms);
      if (played.size() == 1) now += first_movie_seconds;
      return movie_play::played;
    };
    s.seconds = [this] { return now; };
    s.log = [this](const std::string& line) { log.push_back(line); };
    return play_intro_movies(s);
  }
};

const std::set<std::string> both = {"vellacor.bik", "brightfell_intro.bik"};

}  // namespace

TEST(IntroMovies, TheSecondPlaysOnlyAfterAWatchedFirst) {
  struct row {
    double first_seconds;
    int state;
    std::size_t plays;
  };
  // More than 15 s counts as watched; 15 s exactly or less as skipped.
  for (const row r : {row{22.5, 2, 2}, row{15.5, 2, 2}, row{15.0, 1, 1}, row{3.0, 1, 1}}) {
    run t;
    t.movies = both;
    t.first_movie_seconds = r.first_seconds;
    EXPECT_EQ(t.start(), r.state) << r.first_seconds;
    ASSERT_EQ(t.played.size(), r.plays) << r.first_seconds;
    EXPECT_EQ(t.played[0], std::make_pair(std::string("vellacor.bik"), 22500));
    if (r.plays == 2) {
      EXPECT_EQ(t.played[1], std::make_pair(std::string("brightfell_intro.bik"), 7300));
    }
    EXPECT_TRUE(t.log.empty());
  }
}

TEST(IntroMovies, AMissingMovieOrPlayerIsSkippedWithALogLine) {
  run none;
  EXPECT_EQ(none.start(), 0);
  EXPECT_TRUE(none.played.empty());
  EXPECT_EQ(none.log, std::vector<std::string>{"Intro movie vellacor.bik is not there; skipped.\n"});

  // Without the first, the second is not tried either.
  run second_only;
  second_only.movies = {"brightfell_intro.bik"};
  second_only.first_movie_seconds = 30.0;
  EXPECT_EQ(second_only.start(), 0);
  EXPECT_TRUE(second_only.played.empty());

  run no_player;
  no_player.movies = both;
  no_player.player = false;
  EXPECT_EQ(no_player.start(), 0);
  EXPECT_EQ(no_player.log,
            std::vector<std::string>{"No movie player (ffplay) could be started; the intro movies are skipped.\n"});

  run first_only;
  first_only.movies = {"vellacor.bik"};
  first_only.first_movie_seconds = 20.0;
  EXPECT_EQ(first_only.start(), 1);
  EXPECT_EQ(first_only.played.size(), 1u);
  EXPECT_EQ(first_only.log, std::vector<std::string>{"Intro movie brightfell_intro.bik is not there; skipped.\n"});
}
