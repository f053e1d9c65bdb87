// The conversation state machine: which lines are offered, taking them,
// auto-taken lines, repeats, speakers and the end of a conversation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/dialog/conversation.h"
#include "script/operand.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::gvar;
using test::make_block;
using test::op_spec;

constexpr std::uint32_t any = dialog_bits::any_partner;
constexpr std::uint32_t player = dialog_bits::player_line;
constexpr std::uint32_t automatic = dialog_bits::auto_taken;

dialog_line line(const char* id, std::uint32_t speaker, int in, std::initializer_list<op_spec> condition,
                 const char* text, int out, std::initializer_list<op_spec> consequence = {}) {
  dialog_line l;
  l.id = ruv_string(id);
  l.speaker_word = speaker;
  l.input_state = in;
  l.condition = make_block(condition, "condition");
  l.text = ruv_string(text);
  l.output_state = out;
  l.consequence = make_block(consequence, "consequence");
  return l;
}

// Condition pieces: gvar(n) += 1, and p0 >= p1 / p0 > p1.
op_spec count_up(int n) { return {2105, {gvar(n), 1}}; }
op_spec at_least(std::int64_t a, std::int64_t b) { return {30, {a, b}}; }
op_spec greater(std::int64_t a, std::int64_t b) { return {32, {a, b}}; }

// Troop 0 is the player, troop 2 the usual partner; parties 0, 1 and 3 are
// active (3 made from template 1), party 2 is not.
struct conversation_world {
  conversation_world() {
    host.module.troops = 5;
    host.module.factions = 3;
    host.module.party_templates = 2;
    host.campaign.add_party(0);
    host.campaign.add_party(1);
    host.campaign.add_party(2, 0);
    host.campaign.add_party(3);
    host.campaign.find(3)->template_id = 1;
    host.campaign.player_troop_id = 0;
    host.campaign.player_party_id = 0;
  }
  // A conversation in state 0 without taking any line (start would take the
  // first offered line, player lines included).
  void begin(int troop, int party) {
    talk.partner_troop = troop;
    talk.partner_party = party;
    talk.state = 0;
  }
  std::vector<std::string> option_texts() const {
    std::vector<std::string> out;
    for (const dialog_option& o : talk.player_options) out.emplace_back(o.text.view());
    return out;
  }
  fake_script_host host;
  conversation& talk = g_conversation;
};

TEST(conversation, walk_through_conditions_consequences_repeats_and_the_end) {
  conversation_world w;
  w.talk.lines = {
      line("greet", any, 0, {}, "Well met.", 1),
      line("never", any | player, 1, {greater(0, 1)}, "Hidden by its condition.", 6),
      line("work", any | player, 1, {}, "I seek work.", 2, {count_up(0)}),
      line("bye", any | player, 1, {}, "Farewell.", 6),
      line("not_yet", any, 2, {greater(2, gvar(0))}, "Ask again later.", 1),
      line("refuse", any, 2, {}, "Leave me be.", 3),
      line("leave", any | player, 3, {}, "As you wish.", 6),
  };
  w.talk.start(2, -1, 1, 0, true);
  EXPECT_EQ(w.talk.current_line, 0);
  EXPECT_EQ(std::string(w.talk.current_text.view()), "Well met.");
  EXPECT_EQ(w.talk.advance_automatic_lines_for(), 2);
  EXPECT_EQ(w.option_texts(), (std::vector<std::string>{"I seek work.", "Farewell."}));

  // Asked once: the partner's first answer holds and leads back to the choice.
  w.talk.select_option(0);
  EXPECT_EQ(get_global_variable(0), 1);
  EXPECT_FALSE(w.talk.should_close());
  w.talk.advance_automatic_lines();
  EXPECT_EQ(std::string(w.talk.current_text.view()), "Ask again later.");
  EXPECT_EQ(w.talk.advance_automatic_lines_for(), 2);

  // Asked again: the consequence moved the state the condition reads.
  w.talk.select_option(0);
  w.talk.advance_automatic_lines();
  EXPECT_EQ(std::string(w.talk.current_text.view()), "Leave me be.");
  EXPECT_EQ(w.talk.state, 3);
  ASSERT_EQ(w.talk.advance_automatic_lines_for(), 1);
  w.talk.select_option(0);
  EXPECT_EQ(w.talk.state, conversation_close_state);
  EXPECT_TRUE(w.talk.should_close());
  EXPECT_TRUE(w.host.take_messages().empty());
}

TEST(conversation, partner_filters) {
  conversation_world w;
  const std::uint32_t by_template = dialog_bits::from_template;
  w.talk.lines = {
      line("any", any | player, 0, {}, "any", 1),
      line("troop2", 2 | player, 0, {}, "troop 2", 1),
      line("troop3", 3 | player, 0, {}, "troop 3", 1),
      line("template1", 1 | by_template | player, 0, {}, "template 1", 1),
      line("template0", 0 | by_template | player, 0, {}, "template 0", 1),
  };
  w.begin(2, -1);
  w.talk.advance_automatic_lines_for();
  EXPECT_EQ(w.option_texts(), (std::vector<std::string>{"any", "troop 2"}));
  w.begin(4, 3);
  w.talk.advance_automatic_lines_for();
  EXPECT_EQ(w.option_texts(), (std::vector<std::string>{"any", "template 1"}));
}

TEST(conversation, repeat_kinds_visit_their_ranges_in_order) {
  struct repeat_case {
    const char* name;
    std::uint32_t kind;
    std::vector<int> values;
  };
  const std::vector<repeat_case> cases = {
      {"once", dialog_bits::repeat_once, {0}},
      {"factions", dialog_bits::repeat_for_factions, {0, 1, 2}},
      {"active parties in pool order", dialog_bits::repeat_for_parties, {0, 1, 3}},
      {"troops", dialog_bits::repeat_for_troops, {0, 1, 2, 3, 4}},
      {"0 to 99, first five by the condition", dialog_bits::repeat_for_100, {0, 1, 2, 3, 4}},
  };
  for (const repeat_case& c : cases) {
    SCOPED_TRACE(c.name);
    conversation_world w;
    // The condition counts its runs and holds for the first five.
    w.talk.lines = {line("r", any | player | c.kind, 0, {count_up(0), at_least(5, gvar(0))}, "r", 1)};
    w.begin(2, -1);
    w.talk.advance_automatic_lines_for();
    std::vector<int> values;
    for (const dialog_option& o : w.talk.player_options) values.push_back(o.repeat_value);
    EXPECT_EQ(values, c.values);
  }
}

TEST(conversation, player_list_stops_at_1024_options) {
  conversation_world w;
  w.talk.lines = {
      line("a", any | player | dialog_bits::repeat_for_1000, 0, {}, "a", 1),
      line("b", any | player | dialog_bits::repeat_for_1000, 0, {}, "b", 1),
  };
  w.begin(2, -1);
  EXPECT_EQ(w.talk.advance_automatic_lines_for(), max_dialog_options);
  EXPECT_EQ(w.talk.player_options[999].line, 0);
  EXPECT_EQ(w.talk.player_options[1000].line, 1);
  EXPECT_EQ(w.talk.player_options[1023].repeat_value, 23);
}

TEST(conversation, auto_taken_lines_run_in_order) {
  conversation_world w;
  w.talk.lines = {
      line("first", any | automatic, 0, {}, "not shown", 5, {{2133, {gvar(0), 1}}}),
      // gvar 1 = gvar 0 + 1: 2 only when the first consequence ran before.
      line("second", any, 5, {}, "shown", 1, {{2120, {gvar(1), gvar(0), 1}}}),
      // A player line taken at once leads to a state with nothing to say.
      line("auto_player", any | player | automatic, 1, {}, "auto", 7, {count_up(2)}),
      line("later", any | player, 1, {}, "never offered", 6),
  };
  w.talk.start(2, -1, -1, 0, true);
  EXPECT_EQ(get_global_variable(1), 2);
  EXPECT_EQ(std::string(w.talk.current_text.view()), "shown");
  EXPECT_EQ(w.talk.current_line, 1);
  EXPECT_EQ(w.talk.advance_automatic_lines_for(), 0);
  EXPECT_EQ(get_global_variable(2), 1);
  EXPECT_EQ(w.talk.state, 7);
}

TEST(conversation, self_looping_auto_taken_line_is_cut_with_a_script_error) {
  conversation_world w;
  w.talk.lines = {line("loop", any | automatic, 0, {}, "loop", 0, {count_up(0)})};
  w.talk.start(2, -1, -1, 0, true);
  EXPECT_EQ(get_global_variable(0), max_auto_taken_lines);
  const std::vector<std::string> messages = w.host.take_messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("do not end"), std::string::npos);

  // The same on the player's side: the list ends empty.
  w.talk.lines = {line("loop", any | player | automatic, 1, {}, "loop", 1)};
  w.talk.state = 1;
  EXPECT_EQ(w.talk.advance_automatic_lines_for(), 0);
  EXPECT_EQ(w.host.take_messages().size(), 1u);
}

TEST(conversation, speakers_and_listeners) {
  conversation_world w;
  const std::uint32_t other = 3u << dialog_bits::other_speaker_shift;
  const std::uint32_t beyond = 4000u << dialog_bits::other_speaker_shift;
  w.talk.lines = {
      line("partner", any, 0, {}, "p", 1),
      line("other", any | other, 0, {}, "o", 1),
      line("beyond_table", any | beyond, 0, {}, "b", 1),
      line("player", any | player, 0, {}, "me", 1),
  };
  w.talk.partner_troop = 2;
  struct speaker_case {
    int line;
    int speaker;
    int listener;
  };
  for (const speaker_case c : {speaker_case{0, 2, 0}, {1, 3, 0}, {2, 2, 0}, {3, 0, 2}, {-1, 2, 0}}) {
    w.talk.current_line = c.line;
    EXPECT_EQ(w.talk.get_line_speaker_troop(), c.speaker) << c.line;
    EXPECT_EQ(w.talk.get_line_listener_troop(), c.listener) << c.line;
  }
}

TEST(conversation, texts_come_from_translations_and_are_never_printf_formats) {
  conversation_world w;
  w.host.module.translations["greet"] = "Hail %s%n%d, {reg0}!";
  w.talk.lines = {line("greet", any, 0, {}, "Hello.", 1), line("plain", any | player, 1, {}, "Bye^now", 6)};
  w.talk.start(2, -1, -1, 0, true);
  EXPECT_EQ(std::string(w.talk.current_text.view()), "Hail %s%n%d, <reg0>!");
  w.talk.advance_automatic_lines_for();
  EXPECT_EQ(std::string(w.talk.get_option_text(0).view()), "Bye\nnow");
  EXPECT_EQ(w.talk.get_option_line(0), any | player);
  EXPECT_EQ(std::string(w.talk.get_option_text(5).view()), "");
}

TEST(conversation, exit_requests_close_and_a_new_start_clears_them) {
  conversation_world w;
  w.talk.lines = {line("greet", any, 0, {}, "Hello.", 1), line("trade", any | player, 1, {}, "Trade.", 1, {{2040}})};
  w.host.campaign.words.conversation_flags = 0x40;
  w.talk.start(2, 7, 1, 0, false);
  EXPECT_EQ(w.host.campaign.words.conversation_flags, 0);
  EXPECT_EQ(w.talk.partner_agent, 7);
  EXPECT_FALSE(w.talk.on_map);
  w.talk.advance_automatic_lines_for();
  w.talk.select_option(0);
  EXPECT_EQ(w.host.campaign.words.screen_change_code, 1);
  EXPECT_TRUE(w.talk.should_close());
  w.talk.start(2, -1, 1, 0, true);
  EXPECT_FALSE(w.talk.should_close());
}

}  // namespace
}  // namespace hm
