// Object slots on every record kind: set, get and the two comparisons, with
// invalid objects and slot numbers, and the growth of a slot vector.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/executor.h"
#include "script/record_data.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

// The error lines of the on-screen messages, without the "At <block>." lines
// that follow them.
std::vector<std::string> error_lines(test::fake_script_host& host) {
  std::vector<std::string> out;
  for (std::string& m : host.take_messages()) {
    if (m.rfind("At ", 0) != 0) out.push_back(std::move(m));
  }
  return out;
}

using test::fake_script_host;
using test::make_block;
using test::neg;
using test::reg;

bool run(std::uint32_t opcode, std::vector<std::int64_t> params) {
  statement_block block = make_block({{opcode, std::move(params)}});
  return run_statement_block(block, 0);
}

struct slot_world {
  slot_world() {
    host.module.troops = 3;
    host.module.factions = 3;
    host.module.scenes = 3;
    host.module.party_templates = 3;
    host.module.quests = 3;
    host.module.item_kinds = 3;
    host.campaign.add_party(0);
    host.campaign.add_party(1);
    host.campaign.add_party(2, 0);  // not active
    host.mission.agents = {true, true, false};
  }
  fake_script_host host;
};

struct kind_case {
  int kind;
  const char* invalid_message;  // for id 3 (2 for parties and agents)
  std::int64_t invalid_id;
};

const std::vector<kind_case> kinds = {
    {0, "SCRIPT ERROR ON OPCODE %d: Invalid Troop ID: 3", 3},
    {1, "SCRIPT ERROR ON OPCODE %d: Invalid Party ID: 2", 2},
    {2, "SCRIPT ERROR ON OPCODE %d: Invalid Faction ID: 3", 3},
    {3, "SCRIPT ERROR ON OPCODE %d: Invalid Scene ID: 3", 3},
    {4, "SCRIPT ERROR ON OPCODE %d: Invalid Party Template ID: 3", 3},
    {5, "SCRIPT WARNING ON OPCODE %d: Invalid Agent ID: 2", 2},
    {6, "SCRIPT ERROR ON OPCODE %d: Invalid Quest ID: 3", 3},
    {7, "SCRIPT ERROR ON OPCODE %d: Invalid Item Kind ID: 3", 3},
};

std::string message_for(const char* format, int opcode) {
  char text[160];
  std::snprintf(text, sizeof text, format, opcode);
  return text;
}

TEST(object_slots, every_kind_sets_gets_and_compares) {
  for (const kind_case& k : kinds) {
    SCOPED_TRACE(k.kind);
    slot_world w;
    const std::uint32_t set = 500 + k.kind, get = 520 + k.kind, eq = 540 + k.kind, ge = 560 + k.kind;
    const std::int64_t big = std::int64_t{1} << 40;
    EXPECT_TRUE(run(set, {1, 7, big}));
    EXPECT_TRUE(run(set, {1, 0xFFFFF, -5}));
    EXPECT_TRUE(run(get, {reg(0), 1, 7}));
    EXPECT_EQ(g_script_state.registers[0], big);
    EXPECT_TRUE(run(get, {reg(1), 1, 0xFFFFF}));
    EXPECT_EQ(g_script_state.registers[1], -5);
    g_script_state.registers[2] = 99;
    EXPECT_TRUE(run(get, {reg(2), 0, 7}));  // another object: never written
    EXPECT_EQ(g_script_state.registers[2], 0);
    EXPECT_TRUE(run(eq, {1, 7, big}));
    EXPECT_FALSE(run(eq, {1, 7, big + 1}));
    EXPECT_TRUE(run(ge, {1, 7, big}));
    EXPECT_FALSE(run(ge, {1, 0xFFFFF, -4}));
    EXPECT_TRUE(error_lines(w.host).empty());

    // Slot numbers out of range are ignored without a message.
    EXPECT_TRUE(run(set, {1, 0x100000, 1}));
    EXPECT_TRUE(run(set, {1, -1, 1}));
    EXPECT_FALSE(run(eq, {1, 0x100000, 0}));
    EXPECT_TRUE(error_lines(w.host).empty());

    // An invalid object: the set still counts as true, the get stores 0, the
    // comparisons are false (true negated); each reports the validator's text.
    EXPECT_TRUE(run(set, {k.invalid_id, 7, 1}));
    g_script_state.registers[3] = 99;
    EXPECT_TRUE(run(get, {reg(3), k.invalid_id, 7}));
    EXPECT_EQ(g_script_state.registers[3], 0);
    EXPECT_FALSE(run(eq, {k.invalid_id, 7, 0}));
    EXPECT_TRUE(run(neg(ge), {k.invalid_id, 7, 0}));
    const std::vector<std::string> messages = error_lines(w.host);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].substr(0, messages[0].find(';')), message_for(k.invalid_message, static_cast<int>(set)));
    EXPECT_EQ(messages[3].substr(0, messages[3].find(';')),
              message_for(k.invalid_message, static_cast<int>(ge | 0x80000000u)));
  }
}

TEST(object_slots, vector_growth) {
  struct growth_case {
    std::int64_t slot;
    std::size_t size;
  };
  for (const growth_case c : {growth_case{0, 16}, {15, 16}, {16, 32}, {1000, 1024}, {65535, 65536},
                              {65536, 65537}, {0xFFFFF, 0x100000}}) {
    slot_vector v;
    v.set(c.slot, 3);
    EXPECT_EQ(v.values.size(), c.size) << c.slot;
    EXPECT_EQ(v.get(c.slot), 3);
    EXPECT_EQ(v.get(c.slot + 1), 0);
  }
  slot_vector v;
  v.set(40, 1);
  v.set(3, 2);  // no shrinking and no move of what is there
  EXPECT_EQ(v.values.size(), 64u);
  EXPECT_EQ(v.get(40), 1);
}

}  // namespace
}  // namespace hm
