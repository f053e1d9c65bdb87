// Party labels on the world map: colour by relation, count text and scale.
#include <gtest/gtest.h>

#include "ui/world_map/map_labels.h"

using namespace hm;

namespace {

TEST(MapLabels, ColourFollowsTheRelation) {
  struct colour_case {
    float relation;
    bool bright;
    std::uint32_t argb;
  };
  // Channels pack as value x 256, truncated, at most 255.
  const colour_case cases[] = {
      {0.0f, true, 0xFFFFFFFFu},      // neutral: white
      {0.00005f, true, 0xFFFFFFFFu},  // within the dead zone
      {-1.0f, false, 0xFFD13333u},    // hostile, dimmed: 0.8175, 0.2, 0.2
      {-1.0f, true, 0xFFF30000u},     // hostile: 0.95, 0, 0
      {1.0f, true, 0xFF80FF33u},      // friendly: 0.5, 1, 0.2
      {0.0f, false, 0xFFD9D9A7u},     // neutral, dimmed: 0.85, 0.85, 0.655
      {-0.5f, true, 0xFFF35353u},     // half hostile: 0.95, 0.325, 0.325
  };
  for (const colour_case& k : cases)
    EXPECT_EQ(relation_to_label_colour(k.relation, k.bright), k.argb) << k.relation << " " << k.bright;
}

TEST(MapLabels, CountAndScale) {
  EXPECT_EQ(troop_count_label(12, 3), "12+3");
  EXPECT_EQ(troop_count_label(12, 0), "12");
  EXPECT_EQ(troop_count_label(0, 0), "0");
  EXPECT_EQ(party_label_scale(0x0), 0.5f);
  EXPECT_EQ(party_label_scale(0x1000), 0.75f);
  EXPECT_EQ(party_label_scale(0x2000), 1.0f);
  EXPECT_EQ(party_label_scale(0x3000), 1.0f);
  // Other flags do not count.
  EXPECT_EQ(party_label_scale(0x400 | 0x1000), 0.75f);
}

}  // namespace
