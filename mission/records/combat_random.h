#pragma once
// The random draws of the combat rules come through this interface, so a
// fight replays exactly for a seed and a test can feed the draws it wants.
#include <cstddef>
#include <utility>
#include <vector>

#include "engine/core/random.h"

namespace hm {

class mission_services;

class combat_random {
 public:
  virtual ~combat_random() = default;
  // 0..32767.
  virtual int next() = 0;
  // (next() mod 15817) scaled into [0, 1).
  float unit() { return static_cast<float>(next() % 15817) * random_fraction_scale; }
};

// The engine's shared generator.
class engine_combat_random final : public combat_random {
 public:
  int next() override { return random_next(); }
};

// The draws of a mission's services (mission_services::random_next).
class mission_combat_random final : public combat_random {
 public:
  explicit mission_combat_random(mission_services& s) : services_(s) {}
  int next() override;

 private:
  mission_services& services_;
};

// Replays a fixed list of raw draws, then repeats the last (0 when empty).
class scripted_combat_random final : public combat_random {
 public:
  explicit scripted_combat_random(std::vector<int> draws) : draws_(std::move(draws)) {}
  int next() override {
    if (draws_.empty()) return 0;
    const int v = draws_[pos_ < draws_.size() ? pos_ : draws_.size() - 1];
    ++pos_;
    return v;
  }
  std::size_t used() const { return pos_; }

 private:
  std::vector<int> draws_;
  std::size_t pos_ = 0;
};

// The raw draw whose unit() is as close to u (in [0, 1)) as the scale allows.
inline int draw_for_unit(float u) { return static_cast<int>(u * 15817.0f + 0.5f) % 15817; }

}  // namespace hm
