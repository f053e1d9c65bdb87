#include "script/text_tokens.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

class fake_source final : public text_token_source {
 public:
  std::map<int, std::int64_t> registers;
  std::map<int, std::string> strings;
  std::string name = "Aldric";
  int type = 0;
  mutable int string_reads = 0;

  std::int64_t register_value(int n) const override {
    const auto it = registers.find(n);
    return it == registers.end() ? 0 : it->second;
  }
  ruv_string string_register(int n) const override {
    ++string_reads;
    const auto it = strings.find(n);
    return it == strings.end() ? ruv_string() : ruv_string(std::string_view(it->second));
  }
  ruv_string player_name() const override { return ruv_string(std::string_view(name)); }
  int player_troop_type() const override { return type; }
};

std::string expand(const char* token, const text_token_source& source) {
  return std::string(expand_text_tokens(ruv_string(token), source).view());
}

TEST(TextTokens, MatchesInOrder) {
  fake_source src;
  src.registers = {{0, 7}, {1, 0}, {3, 0}, {4, 1}, {5, 12}, {12, -40}, {82, 82}, {21, 1}, {7, 5000000000LL}};
  src.strings = {{0, "zero"}, {7, "seven"}, {42, "forty-two"}, {1, "a^b"}};

  struct row {
    const char* token;
    int type;
    const char* expected;
  };
  const row rows[] = {
      // Registers: one or two digits, the second unchecked.
      {"reg5", 0, "12"},
      {"reg12", 0, "-40"},
      {"reg7", 0, "5000000000"},
      {"reg1x", 0, "82"},
      {"reg9z", 0, "TOKEN EXCEEDS MAX REGISTERS: <reg9z>"},
      {"reg1!", 0, "TOKEN EXCEEDS MAX REGISTERS: <reg1!>"},  // 10 + ('!' - '0') is negative
      // Conditionals, split at the last ':'.
      {"reg3?his:her", 0, "her"},
      {"reg4?his:her", 0, "his"},
      {"reg21?one:two", 0, "one"},
      {"reg4?a:b:c", 0, "a:b"},
      {"reg3?a:b:c", 0, "c"},
      {"reg4?:empty", 0, ""},
      {"reg99?a:b", 0, "b"},
      {"reg4x?a:b", 0, "?a"},  // one digit: the text starts at the fifth character
      {"reg4?nocolon", 0, "UNRECOGNIZED TOKEN <reg4?nocolon>"},
      // String registers.
      {"s0", 0, "zero"},
      {"s42", 0, "forty-two"},
      {"s9x", 0, "TOKEN EXCEEDS MAX REGISTERS: <s9x>"},
      {"s1", 0, "a\nb"},
      // Nested groups are expanded first.
      {"s{reg0}", 0, "seven"},
      {"reg{reg1}", 0, "7"},
      {"s{}", 0, "UNRECOGNIZED TOKEN <s{}>"},     // an empty group stays
      {"s{reg0", 0, "UNRECOGNIZED TOKEN <s{reg0>"},  // so does an unclosed one
      {"{reg0}", 0, "UNRECOGNIZED TOKEN <{reg0}>"},  // the scan starts at the second character
      // The player.
      {"playername", 0, "Aldric"},
      {"sir/madam", 0, "sir"},
      {"sir/madam", 1, "madam"},
      {"a/b/c", 0, "a/b"},
      {"a/b/c", 1, "c"},
      {"sir/madam", 2, "sir"},
      // Everything else.
      {"***", 0, ""},
      {"bogus", 0, "UNRECOGNIZED TOKEN <bogus>"},
      {"reg", 0, "UNRECOGNIZED TOKEN <reg>"},
      {"", 0, "UNRECOGNIZED TOKEN <>"},
      {"line^", 0, "UNRECOGNIZED TOKEN <line\n>"},
      {"end^/x", 0, "end\n"},
  };
  for (const row& r : rows) {
    src.type = r.type;
    EXPECT_EQ(expand(r.token, src), r.expected) << r.token << " (type " << r.type << ")";
  }
}

TEST(TextTokens, AStringRegisterHoldingItsOwnTokenIsShownOnce) {
  fake_source src;
  src.strings = {{0, "a{s0}"}};
  // Expanding the inserted text again would grow it without end.
  EXPECT_EQ(expand("x{s0}", src), "UNRECOGNIZED TOKEN <xa{s0}>");
  EXPECT_EQ(src.string_reads, 1);
  EXPECT_EQ(expand("s0", src), "a{s0}");
}

TEST(TextTokens, LongResultsAreCutAndDeepNestingStops) {
  fake_source src;
  src.strings = {{0, std::string(70000, 'q')}};
  EXPECT_EQ(expand("s0", src).size(), static_cast<std::size_t>(text_token_max_length));

  const std::string long_token(100000, 'z');
  const std::string echoed = expand(long_token.c_str(), src);
  EXPECT_EQ(echoed.size(), static_cast<std::size_t>(text_token_max_length));
  EXPECT_EQ(echoed.rfind("UNRECOGNIZED TOKEN <zzz", 0), 0u);

  // Many groups each inserting a long text, and nesting far deeper than any
  // real text, both finish with a bounded result.
  std::string many = "x";
  for (int i = 0; i < 200; ++i) many += "{s0}";
  EXPECT_LE(expand(many.c_str(), src).size(), static_cast<std::size_t>(text_token_max_length));
  std::string deep = "x";
  for (int i = 0; i < 20000; ++i) deep += "x{";
  deep += "reg0";
  for (int i = 0; i < 20000; ++i) deep += "}";
  EXPECT_LE(expand(deep.c_str(), src).size(), static_cast<std::size_t>(text_token_max_length));
}

// Appending a token straight into a text gives what the expansion gives, for
// the register and string-register tokens it writes itself and for every other
// token it hands to the expansion, through a source's own string copies and
// through the script state's.
TEST(TextTokens, AppendingATokenGivesItsExpansion) {
  fake_source src;
  src.registers = {{0, 7}, {1, 0}, {5, -12}, {12, std::numeric_limits<std::int64_t>::min()}, {82, 82}, {99, 99}};
  src.strings = {{0, "zero"}, {1, "a^b^"}, {12, "{reg5}"}, {82, ""}, {3, std::string(70000, 'q') + "^"}};
  std::vector<std::string> tokens = {"reg0", "reg5", "reg12", "reg1x", "reg9z", "reg1!", "reg99", "reg", "reg5?a:b",
                                     "s0",   "s1",   "s12",   "s3",    "s1x",   "s9z",   "s",     "s82", "s{reg0}",
                                     "***",  "",     "{s0",   "reg{reg0}", "a/b", "playername"};
  // Random tokens over the characters that steer the matching.
  static const char* const pieces[] = {"reg", "s", "0", "1", "2", "5", "9", "x", "?", ":", "^", "{", "}", "/", "!"};
  std::uint32_t state = 12345;
  for (int n = 0; n < 3000; ++n) {
    std::string token;
    state = state * 1664525u + 1013904223u;
    const int count = 1 + static_cast<int>((state >> 24) % 5);
    for (int k = 0; k < count; ++k) {
      state = state * 1664525u + 1013904223u;
      token += pieces[(state >> 16) % std::size(pieces)];
    }
    tokens.push_back(token);
  }

  test::fake_script_host fake;
  for (const auto& [n, value] : src.registers) g_script_state.registers[static_cast<std::size_t>(n)] = value;
  for (const auto& [n, text] : src.strings) {
    g_script_state.string_registers[static_cast<std::size_t>(n)] = ruv_string(std::string_view(text));
  }
  const script_text_token_source script_source;
  for (const std::string& token : tokens) {
    for (const text_token_source* source : {static_cast<const text_token_source*>(&src),
                                            static_cast<const text_token_source*>(&script_source)}) {
      ruv_string out("before:");
      append_text_token(token, *source, out);
      const std::string expected = "before:" + std::string(expand_text_tokens(ruv_string(token), *source).view());
      ASSERT_EQ(std::string(out.view()), expected) << "token <" << token << ">";
    }
  }
}

class names final : public troop_name_source {
 public:
  bool troop_names(int troop, ruv_string& name, ruv_string& identifier) const override {
    if (troop != 4) return false;
    name = "Stored Name";
    identifier = "trp_player";
    return true;
  }
};

TEST(TextTokens, FormatTextUsesTheScriptStateAndThePlayerTroop) {
  test::fake_script_host fake;
  fake.campaign.player_troop_id = 4;
  fake.module.troop_records[4].flags = 0x21;  // type 1 in the low four bits
  names troop_names;
  set_troop_name_source(&troop_names);
  // The default engine member: the real expander.
  const script_host saved = set_script_host({&fake.module, &fake.campaign, &fake.mission, &fake.ui, &fake.render, nullptr});

  g_script_state.registers[2] = 3;
  g_script_state.string_registers[3] = "the mill";
  EXPECT_EQ(format_text("At {s{reg2}}, {playername} met {his/her} {reg2} men.^{***}Done").view(),
            "At the mill, Stored Name met her 3 men.\nDone");

  fake.module.translations["trp_player"] = "Translated";
  fake.module.troop_records[4].flags = 0x10;
  EXPECT_EQ(format_text("{playername} {his/her}").view(), "Translated his");

  // Without a player troop, or without the game's troop names, the name is empty.
  fake.campaign.player_troop_id = -1;
  EXPECT_EQ(format_text("[{playername}] {sir/madam}").view(), "[] sir");
  fake.campaign.player_troop_id = 4;
  set_troop_name_source(nullptr);
  EXPECT_EQ(format_text("[{playername}]").view(), "[]");

  set_script_host(saved);
}

}  // namespace
}  // namespace hm
