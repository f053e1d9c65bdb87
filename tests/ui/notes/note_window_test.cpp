// The note pages (notes with their age, the sorted keys, the pages that link
// here) and the window's links, back-links and histories, over a small book
// of records: three troops with notes, one faction, one active party and a
// quest whose notes link to a troop.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "engine/app/input_state.h"
#include "module/text/translation_table.h"
#include "script/script_host.h"
#include "ui/notes/note_book.h"
#include "ui/notes/note_window.h"
#include "ui/support/ui_test_support.h"
#include "ui/text/rich_text.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

struct fixture_record {
  ruv_string name;
  script_record_data data;
};

class fixture_book final : public note_book {
 public:
  std::map<std::int32_t, std::vector<fixture_record>> tables;
  std::vector<std::int32_t> active_parties;  // ids that hold a record in tables[3]
  std::int32_t today = 10;

  std::vector<std::int32_t> ids(std::int32_t kind) const override {
    if (kind == link_kind::party) return active_parties;
    std::vector<std::int32_t> out;
    auto t = tables.find(kind);
    if (t != tables.end())
      for (std::size_t i = 0; i < t->second.size(); ++i) out.push_back(static_cast<std::int32_t>(i));
    return out;
  }
  bool valid(std::int32_t kind, std::int32_t id) const override {
    if (kind == link_kind::party) {
      for (std::int32_t p : active_parties)
        if (p == id) return true;
      return false;
    }
    auto t = tables.find(kind);
    return t != tables.end() && id >= 0 && id < static_cast<std::int32_t>(t->second.size());
  }
  const fixture_record* find(std::int32_t kind, std::int32_t id) const {
    if (!valid(kind, id)) return nullptr;
    return &tables.at(kind)[static_cast<std::size_t>(id)];
  }
  const script_record_data* record(std::int32_t kind, std::int32_t id) const override {
    const fixture_record* r = find(kind, id);
    return r ? &r->data : nullptr;
  }
  ruv_string display_name(std::int32_t kind, std::int32_t id) const override {
    const fixture_record* r = find(kind, id);
    return r ? r->name : ruv_string();
  }
  std::int32_t current_day() const override { return today; }

  void note(std::int32_t kind, std::int32_t id, int slot, const char* text, std::int32_t day) {
    script_record_data& d = tables[kind][static_cast<std::size_t>(id)].data;
    d.notes[static_cast<std::size_t>(slot)] = {ruv_string(text), day};
  }
};

// Troops: 0 "Wulf" (no notes), 1 "Bera", 2 "anna", 3 "Carl"; faction 0
// "Reeve"; party id 5 (one slot in the table) "Fort"; quest 0 "Hunt".
std::unique_ptr<fixture_book> make_book() {
  auto b = std::make_unique<fixture_book>();
  for (const char* n : {"Wulf", "Bera", "anna", "Carl"}) b->tables[link_kind::troop].push_back({ruv_string(n), {}});
  b->tables[link_kind::faction].push_back({ruv_string("Reeve"), {}});
  b->tables[link_kind::party].resize(6);
  b->tables[link_kind::party][5].name = ruv_string("Fort");
  b->active_parties = {5};
  b->tables[link_kind::quest].push_back({ruv_string("Hunt"), {}});
  b->note(link_kind::troop, 1, 0, "Bera holds <p=5>the fort</>.", 10);
  b->note(link_kind::troop, 1, 2, "Owes the <fac=0>reeve</>.", 7);
  b->note(link_kind::troop, 2, 0, "Anna.", -1);
  b->note(link_kind::troop, 3, 0, "Carl rides with <trp=1>Bera</>.", -1);
  b->note(link_kind::quest, 0, 0, "Ask <trp=1>Bera</> about <trp=1>the wolves</>.", 9);
  b->note(link_kind::quest, 0, 1, "Bera <trp=1>again</>.", -1);
  return b;
}

class note_pages : public ::testing::Test {
 protected:
  void SetUp() override {
    g_translation_table.set_translation("ui_report_is_value_days_old", " (%d days old)");
    g_translation_table.set_translation("ui_report_is_current", " (current)");
  }
};

TEST_F(note_pages, notes_carry_their_age) {
  const auto book = make_book();
  // Written today: current; three days earlier: 3 days old; no day: nothing.
  EXPECT_EQ(note_page_text(*book, link_kind::troop, 1),
            "Bera holds <p=5>the fort</>. (current)\n\nOwes the <fac=0>reeve</>. (3 days old)");
  EXPECT_EQ(note_page_text(*book, link_kind::troop, 2), "Anna.");
  EXPECT_EQ(note_page_text(*book, link_kind::troop, 0), "");
  EXPECT_EQ(note_page_text(*book, link_kind::troop, 99), "");
}

TEST_F(note_pages, keys_sort_by_bytes_and_the_own_entry_has_no_link) {
  const auto book = make_book();
  // Byte order puts capitals first; Wulf has no notes.
  const std::vector<std::int32_t> keys = note_keys(*book, link_kind::troop);
  EXPECT_EQ(keys, (std::vector<std::int32_t>{1, 3, 2}));
  EXPECT_EQ(note_keys_text(*book, link_kind::troop, 3, keys), "<trp=1>Bera</>\nCarl\n<trp=2>anna</>");
}

TEST_F(note_pages, each_linking_record_is_listed_once) {
  const auto book = make_book();
  // The quest links to Bera from two notes, three times.
  EXPECT_EQ(note_back_links(*book, link_kind::troop, 1), "<trp=3>Carl</>, <qst=0>Hunt</>");
  EXPECT_EQ(note_back_links(*book, link_kind::party, 5), "<trp=1>Bera</>");
  EXPECT_EQ(note_back_links(*book, link_kind::troop, 2), "");
}

class note_window_test : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_translation_table.set_translation("ui_click_button_to_view_note", "Choose a page.");
    g_translation_table.set_translation("ui_this_page_contains_no_information", "No information.");
    g_translation_table.set_translation("ui_other_pages_that_link_here", "Linked from: ");
    g_translation_table.set_translation("ui_report_is_value_days_old", "");
    g_translation_table.set_translation("ui_report_is_current", "");
    g_window_manager.create_game_windows();
    window = dynamic_cast<note_window*>(g_window_manager.window(window_id::note));
    ASSERT_NE(window, nullptr);
    auto b = make_book();
    book = b.get();
    window->book = std::move(b);
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_input_state = input_state{};
    current_script_host().campaign->game_words() = game_script_words{};
    test::ui_test::TearDown();
  }

  // Clicks the link of that kind and id in a text of the window.
  void click_link(rich_text_widget* text, std::int32_t kind, std::int32_t id) {
    ASSERT_NE(text, nullptr);
    const link_rect* target = nullptr;
    for (const link_rect& r : text->links)
      if (r.kind == kind && r.id == id) target = &r;
    ASSERT_NE(target, nullptr) << "no link " << kind << " " << id;
    const float x = text->absolute_position.x + (target->lower.x + target->upper.x) * 0.5f;
    const float y = text->absolute_position.y + (target->lower.y + target->upper.y) * 0.5f;
    step(x, y);
    step(x, y, {button(0, true)});
    step(x, y, {button(0, false)});
    window->frame(0.016f);
  }
  void click(widget* w) {
    ASSERT_NE(w, nullptr);
    w->raise_event(ui_event::clicked);
    window->frame(0.016f);
  }
  void open(std::int32_t kind, std::int32_t id) {
    game_script_words& w = current_script_host().campaign->game_words();
    w.notes_kind = kind;
    w.notes_id = id;
    window->return_window = window_id::world_map;
    g_window_manager.set_window(window_id::note);
  }

  note_window* window = nullptr;
  fixture_book* book = nullptr;
};

TEST_F(note_window_test, a_link_followed_and_the_back_link_returning) {
  open(link_kind::troop, 3);
  EXPECT_EQ(window->current, (note_page{link_kind::troop, 3}));
  EXPECT_TRUE(window->back_button->is_disabled());
  EXPECT_EQ(window->title_text.view(), "Carl");

  // Carl's note links to Bera; Bera's page lists Carl among its linkers.
  click_link(window->data, link_kind::troop, 1);
  EXPECT_EQ(window->current, (note_page{link_kind::troop, 1}));
  EXPECT_NE(window->data_text.find("Linked from: <trp=3>Carl</>, <qst=0>Hunt</>"), std::string::npos);
  EXPECT_FALSE(window->back_button->is_disabled());

  // The back-link returns to Carl.
  click_link(window->data, link_kind::troop, 3);
  EXPECT_EQ(window->current, (note_page{link_kind::troop, 3}));
  EXPECT_EQ(window->back_history.size(), 2u);

  // Back walks the pages visited, forward again; a link after going back
  // empties the forward history.
  click(window->back_button);
  EXPECT_EQ(window->current, (note_page{link_kind::troop, 1}));
  click(window->back_button);
  EXPECT_EQ(window->current, (note_page{link_kind::troop, 3}));
  EXPECT_TRUE(window->back_button->is_disabled());
  EXPECT_EQ(window->forward_history.size(), 2u);
  click(window->forward_button);
  EXPECT_EQ(window->current, (note_page{link_kind::troop, 1}));
  click_link(window->data, link_kind::party, 5);
  EXPECT_EQ(window->current, (note_page{link_kind::party, 5}));
  EXPECT_TRUE(window->forward_history.empty());
  EXPECT_TRUE(window->forward_button->is_disabled());
  // From the world map a party page offers to show the party there.
  EXPECT_FALSE(window->map_button->is_hidden());
}

TEST_F(note_window_test, ids_that_name_nothing_show_the_kinds_first_page) {
  // An id past the table, a negative one, an inactive party and a troop
  // without notes: each gives way to the first page of the kind with notes.
  const note_page cases[][2] = {
      {{link_kind::troop, 400}, {link_kind::troop, 1}},
      {{link_kind::troop, -7}, {link_kind::troop, 1}},
      {{link_kind::troop, 0}, {link_kind::troop, 1}},
      {{link_kind::party, 2}, {link_kind::party, 5}},
      {{link_kind::quest, 1 << 30}, {link_kind::quest, 0}},
      {{9, 1}, {0, -1}},
  };
  book->note(link_kind::party, 5, 0, "The fort.", -1);
  for (const auto& c : cases) {
    open(c[0].kind, c[0].id);
    EXPECT_EQ(window->current, c[1]) << c[0].kind << " " << c[0].id;
  }
  // A faction page with no notes anywhere of its kind: the linking pages.
  open(link_kind::faction, 0);
  EXPECT_EQ(window->current, (note_page{link_kind::faction, 0}));
  EXPECT_EQ(window->data_text, "No information.\n\nLinked from: <trp=1>Bera</>");
  // An invalid faction id with none to stand in: the plain prompt.
  open(link_kind::faction, 3);
  EXPECT_EQ(window->data_text, "Choose a page.");
}

TEST_F(note_window_test, a_link_to_an_id_out_of_range_in_a_note_is_safe) {
  book->note(link_kind::troop, 2, 1, "See <trp=77>nobody</> and <p=3>nowhere</>.", -1);
  open(link_kind::troop, 2);
  click_link(window->data, link_kind::troop, 77);
  EXPECT_EQ(window->current, (note_page{link_kind::troop, 1}));
  click(window->back_button);
  EXPECT_EQ(window->current, (note_page{link_kind::troop, 2}));
  click_link(window->data, link_kind::party, 3);
  EXPECT_EQ(window->current.kind, link_kind::party);
  EXPECT_EQ(window->data_text, "Choose a page.");
}

TEST_F(note_window_test, tabs_switch_kinds_and_the_log_tab_opens_the_game_log) {
  open(link_kind::troop, 3);
  click(window->tabs[static_cast<std::size_t>(note_tab::quests)]);
  EXPECT_EQ(window->current, (note_page{link_kind::quest, 0}));
  EXPECT_TRUE(window->back_history.empty());
  EXPECT_TRUE(window->tabs[static_cast<std::size_t>(note_tab::quests)]->is_disabled());
  click(window->tabs[static_cast<std::size_t>(note_tab::game_log)]);
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_log);
  game_window* log = g_window_manager.window(window_id::game_log);
  EXPECT_EQ(log->mode, 1);
  EXPECT_EQ(log->return_window, window_id::world_map);
}

}  // namespace
}  // namespace hm
