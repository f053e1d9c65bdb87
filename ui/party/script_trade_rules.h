#pragma once
// The running game's prices, purses and troop rules for the party screen:
// the module's scripts are asked first (wage, join cost, prisoner price, the
// sale check), the engine's own rules answer when they do not; purses and
// troop records are the game object's.
#include "ui/party/party_window_model.h"

namespace hm {

// The price of a prisoner when the module does not name one.
inline constexpr std::int32_t default_prisoner_price = 50;

class script_trade_rules final : public party_trade_rules {
 public:
  std::int32_t join_cost(int troop) override;
  std::int32_t wage(int troop) override;
  std::int32_t prisoner_price(int troop) override;
  bool prisoner_can_be_sold(int troop) override;
  std::int32_t gold(int troop) override;
  void add_gold(int troop, std::int32_t amount) override;
  std::uint64_t troop_flags(int troop) override;
  int upgrade_troop(int troop, int which) override;
  std::int32_t random_seed() override;
  // The player's party the prisoner price is asked with.
  std::int32_t player_party = -1;
};

}  // namespace hm
