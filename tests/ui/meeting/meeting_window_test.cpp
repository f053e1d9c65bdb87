// The meeting's outcome rules: the weights of the outcome entries by the
// battle advantage, a choice that releases a party at once, a weighted draw
// that releases the drawn entry's party and asks for the debrief, a draw
// that finds no entry and asks for the battle, and the limits on the
// choices and their kinds.
#include <gtest/gtest.h>

#include <vector>

#include "script/ops/encounter.h"
#include "ui/meeting/meeting_window.h"

namespace hm {
namespace {

TEST(MeetingWeights, TheAdvantageScalesTheMarkedEntries) {
  struct weight_case {
    std::uint32_t flags;
    std::int32_t advantage;
    std::int32_t weight;
  };
  // f = v x 0.04736842 - 0.4 held to 0..1, weight = trunc(base x f).
  const weight_case cases[] = {
      {50, 0, 50},             // unmarked: the base
      {0x100 | 50, 0, 50},     // v 32: f 1.115 -> 1
      {0x100 | 50, -20, 8},    // v 12: f 0.1684, 8.42
      {0x200 | 50, 6, 0},      // v 0: f 0 (never chosen)
      {0x200 | 50, -6, 8},     // v 12 again
      {0x200 | 100, -30, 100}, // v 36: held to 1
      {0x80 | 20, 0, 20},      // bit 7 is no part of the base
  };
  for (const weight_case& c : cases) {
    SCOPED_TRACE(c.flags);
    meta_mission_words m;
    m.encounter.advantage = c.advantage;
    EXPECT_EQ(meeting_entry_weight(m, c.flags), c.weight);
  }
}

class MeetingChoice : public testing::Test {
 protected:
  void SetUp() override {
    m.encounter.first_party = -1;
    m.encounter.second_party = 9;
    m.meeting_outcomes[0].party = 9;
    meeting_outcome_record& fight = m.meeting_outcomes[7];
    fight.party = 9;
    // Weights 30 and 20 (advantage 0 leaves 0x100 entries whole).
    fight.entries = {{30, 11}, {0x100 | 20, 12}};
  }
  std::function<void(std::int32_t)> recorder() {
    return [this](std::int32_t p) { released.push_back(p); };
  }
  meta_mission_words m;
  std::vector<std::int32_t> released;
};

TEST_F(MeetingChoice, AnUnweightedKindReleasesItsPartyWithoutARequest) {
  meeting_window_choose(m, {0, 4}, 99, recorder());
  EXPECT_EQ(released, std::vector<std::int32_t>{9});
  EXPECT_EQ(m.request_mask, 0u);
  EXPECT_EQ(m.chosen_kind, 0);
  EXPECT_EQ(m.chosen_value, 4);
  EXPECT_EQ(m.chosen_entry, -1);
  EXPECT_EQ(m.encounter.flags & 0x20u, 0u);
}

TEST_F(MeetingChoice, TheDrawPicksTheFirstEntryWhoseRunningWeightPassesIt) {
  struct draw_case {
    int r;
    std::int32_t entry;
    std::uint32_t request;
  };
  const draw_case cases[] = {{0, 0, 0x10}, {29, 0, 0x10}, {30, 1, 0x10}, {49, 1, 0x10}, {50, -1, 0x4}, {99, -1, 0x4}};
  for (const draw_case& c : cases) {
    SCOPED_TRACE(c.r);
    SetUp();
    m.request_mask = 0;
    m.encounter.flags = 0;
    released.clear();
    meeting_window_choose(m, {7, 0}, c.r, recorder());
    EXPECT_EQ(m.chosen_entry, c.entry);
    EXPECT_EQ(m.request_mask, c.request);
    EXPECT_EQ(m.encounter.flags & 0x20u, 0x20u);
    if (c.entry >= 0) {
      EXPECT_EQ(released, std::vector<std::int32_t>{c.entry == 0 ? 11 : 12});
    } else {
      // No entry: the battle, and nobody is let go.
      EXPECT_TRUE(released.empty());
    }
  }
}

TEST_F(MeetingChoice, AKindOutsideTheOutcomeTableChoosesNothing) {
  for (std::int32_t kind : {-1, meeting_outcome_kinds, 1000}) {
    meeting_window_choose(m, {kind, 0}, 0, recorder());
    EXPECT_TRUE(released.empty());
    EXPECT_EQ(m.request_mask, 0u);
    EXPECT_EQ(m.chosen_entry, -1);
  }
}

TEST(MeetingWindow, NoMoreChoicesThanButtons) {
  meeting_window w;
  for (int i = 0; i < meeting_choice_slots; ++i) EXPECT_TRUE(w.add_choice(ruv_string("choice"), {7, i}));
  EXPECT_FALSE(w.add_choice(ruv_string("one too many"), {7, 99}));
  EXPECT_EQ(w.meeting_item_count, meeting_choice_slots);
  EXPECT_EQ(w.meeting_items[meeting_choice_slots - 1].value, meeting_choice_slots - 1);
}

}  // namespace
}  // namespace hm
