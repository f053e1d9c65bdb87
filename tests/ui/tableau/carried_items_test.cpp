// Which weapons a troop's figure shows carried: places shared by two items
// (the higher slot wins), shields about to break, slots without an item or a
// carry position.
#include <gtest/gtest.h>

#include "ui/tableau/carried_items.h"

namespace hm {
namespace {

using act = carried_item_choice::action;

item_kind kind_with(int carry_code, int type = 2) {
  item_kind k;
  k.flags = static_cast<std::uint32_t>(type);
  k.capabilities = static_cast<std::uint64_t>(carry_code) << 28;
  return k;
}

item held(int kind, int hit_points = 0) {
  item it;
  it.kind = kind;
  it.word = static_cast<std::uint32_t>(hit_points);
  return it;
}

class CarriedItems : public ::testing::Test {
 protected:
  // 0 and 1 hang at the same place (positions 1 and 12), 2 is a shield on the
  // back (position 9, bone 4), 3 has no carry position, 4 hangs elsewhere
  // (position 3).
  std::vector<item_kind> kinds = {kind_with(1), kind_with(12), kind_with(9, 7), kind_with(0), kind_with(3)};
};

TEST_F(CarriedItems, two_weapons_at_one_place_show_the_higher_slot) {
  const auto c = choose_carried_items({held(0), held(3), held(1), item{}}, kinds);
  EXPECT_EQ(c[2].what, act::show);
  EXPECT_EQ(c[2].carry.place, 1);
  EXPECT_EQ(c[0].what, act::hide);
  EXPECT_EQ(c[1].what, act::none);  // no carry position
  EXPECT_EQ(c[3].what, act::none);  // empty
  // Different places both show.
  const auto d = choose_carried_items({held(0), held(4), item{}, item{}}, kinds);
  EXPECT_EQ(d[0].what, act::show);
  EXPECT_EQ(d[1].what, act::show);
  EXPECT_EQ(d[1].carry.place, 7);
}

TEST_F(CarriedItems, a_shield_shows_only_above_ten_hit_points) {
  const auto worn = choose_carried_items({held(2, 10), item{}, item{}, item{}}, kinds);
  EXPECT_EQ(worn[0].what, act::hide);
  const auto sound = choose_carried_items({held(2, 11), item{}, item{}, item{}}, kinds);
  EXPECT_EQ(sound[0].what, act::show);
  EXPECT_EQ(sound[0].carry.bone, 4);
  EXPECT_EQ(sound[0].carry.place, 9);
  // A worn shield does not take its place from a weapon in a lower slot.
  std::vector<item_kind> k = kinds;
  k.push_back(kind_with(9));  // 5: a non-shield at the shield's place
  const auto both = choose_carried_items({held(5), item{}, item{}, held(2, 3)}, k);
  EXPECT_EQ(both[3].what, act::hide);
  EXPECT_EQ(both[0].what, act::show);
}

TEST_F(CarriedItems, kinds_outside_the_table_count_as_empty) {
  const auto c = choose_carried_items({held(99), held(-5), item{}, held(0)}, kinds);
  EXPECT_EQ(c[0].what, act::none);
  EXPECT_EQ(c[1].what, act::none);
  EXPECT_EQ(c[3].what, act::show);
}

}  // namespace
}  // namespace hm
