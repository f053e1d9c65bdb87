// Saving into the slot files: the paths, the backup kept across saves and
// slots, a failure at any file step leaving the slot's old save whole and
// the player told (never "saved"), and a writer killed at any moment leaving
// the slot holding the old save or the new one, whole.
#include "campaign/save/save_game.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/campaign/save/save_fixture.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SaveGameTest : public ::testing::Test {
 protected:
  SaveGameTest() {
    root = fs::temp_directory_path() / ("hm_save_test_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    setenv("XDG_DOCUMENTS_DIR", root.c_str(), 1);
    test::play_some(f.g, *f.c);
    target.module = "Sample";
    target.show = [this](std::string_view text, std::uint32_t colour) {
      shown.emplace_back(std::string(text), colour);
    };
  }
  ~SaveGameTest() override {
    unsetenv("XDG_DOCUMENTS_DIR");
    fs::remove_all(root);
  }

  fs::path slot(int n) const { return slot_file_path("Sample", n); }

  fs::path root;
  test::save_fixture f;
  save_target target;
  std::vector<std::pair<std::string, std::uint32_t>> shown;
};

TEST_F(SaveGameTest, SlotsLiveInTheDocumentsFolder) {
  EXPECT_EQ(slot(3), root / "Hoofmarch Savegames" / "Sample" / "sg03.sav");
  EXPECT_EQ(temporary_save_path("Sample"), root / "Hoofmarch Savegames" / "Sample" / "new_game.sav");
  EXPECT_EQ(backup_save_path("Sample"), root / "Hoofmarch Savegames" / "Sample" / "last_savegame_backup.sav");
}

TEST_F(SaveGameTest, BackupHoldsThePreviousVersionOfTheSlotSavedLast) {
  // A slot with no file yet: nothing to back up, and the save succeeds.
  ASSERT_EQ(save_game(f.g, *f.c, 3, nullptr, target), 0);
  const std::string first = read_file(slot(3));
  EXPECT_EQ(first, save_game_bytes(f.g, *f.c, nullptr));
  EXPECT_FALSE(fs::exists(temporary_save_path("Sample")));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], std::make_pair(std::string("ui_game_saved_successfully"), save_message_colour));

  // Slot -1 is the current slot; the backup now holds the first version.
  f.c->scalars.game_word = 99;
  ASSERT_EQ(save_game(f.g, *f.c, -1, nullptr, target), 0);
  EXPECT_EQ(read_file(backup_save_path("Sample")), first);
  const std::string second = read_file(slot(3));
  EXPECT_NE(second, first);

  // Slot 5: the backup is slot 5's previous version (none), slot 3's is gone.
  ASSERT_EQ(save_game(f.g, *f.c, 5, nullptr, target), 0);
  EXPECT_FALSE(fs::exists(backup_save_path("Sample")));
  ASSERT_EQ(save_game(f.g, *f.c, 5, nullptr, target), 0);
  EXPECT_EQ(read_file(backup_save_path("Sample")), read_file(slot(5)));
  EXPECT_EQ(read_file(slot(3)), second);
  EXPECT_EQ(f.c->scalars.current_slot, 5);
}

TEST_F(SaveGameTest, AGivenNameWinsAndBecomesTheGamesSaveName) {
  const ruv_string name("Before the siege");
  ASSERT_EQ(save_game(f.g, *f.c, 0, &name, target), 0);
  EXPECT_EQ(f.c->scalars.save_name.view(), "Before the siege");
  const std::string bytes = read_file(slot(0));
  EXPECT_NE(bytes.find("Before the siege"), std::string::npos);
}

// The disk's steps, the n-th of which fails (counting from 0).
class failing_ops final : public save_file_ops {
 public:
  explicit failing_ops(int fail_at) : fail_at_(fail_at) {}
  bool make_folders(const fs::path& p) override { return step() && save_file_ops::make_folders(p); }
  bool open(const fs::path& p) override { return step() && save_file_ops::open(p); }
  bool write(const char* d, std::size_t n) override {
    if (!step()) {
      // A short write: part of the bytes went out.
      save_file_ops::write(d, n / 2);
      return false;
    }
    return save_file_ops::write(d, n);
  }
  bool sync() override { return step() && save_file_ops::sync(); }
  bool close() override {
    const bool closed = save_file_ops::close();
    return step() && closed;
  }
  bool remove(const fs::path& p) override { return step() && save_file_ops::remove(p); }
  bool link(const fs::path& a, const fs::path& b) override { return step() && save_file_ops::link(a, b); }
  bool rename(const fs::path& a, const fs::path& b) override { return step() && save_file_ops::rename(a, b); }
  bool sync_folder(const fs::path& p) override { return step() && save_file_ops::sync_folder(p); }
  int steps = 0;

 private:
  bool step() { return steps++ != fail_at_; }
  int fail_at_;
};

TEST_F(SaveGameTest, AFailureAtAnyStepKeepsTheOldSaveWholeAndIsNeverReportedAsSaved) {
  ASSERT_EQ(save_game(f.g, *f.c, 2, nullptr, target), 0);
  const std::string old_save = read_file(slot(2));
  // Many parties, so the file takes several pieces to write.
  for (int i = 0; i < 600; ++i) {
    const std::int32_t id = f.c->state.parties.take_free_party();
    party& p = *f.c->state.parties.get_party_by_id(id);
    p.reset();
    p.identifier = ruv_string("p_extra");
    p.name = ruv_string(std::string(200, 'n'));
  }
  const std::string new_save = save_game_bytes(f.g, *f.c, nullptr);
  ASSERT_GT(new_save.size(), 2 * save_write_piece);
  for (int fail_at = 0;; ++fail_at) {
    fs::copy_file(root / "Hoofmarch Savegames" / "Sample" / "sg02.sav", root / "keep.sav",
                  fs::copy_options::overwrite_existing);
    shown.clear();
    failing_ops ops(fail_at);
    const int result = save_game(f.g, *f.c, 2, nullptr, target, ops);
    const std::string now = read_file(slot(2));
    ASSERT_EQ(shown.size(), 1u);
    if (result != 0) {
      EXPECT_TRUE(now == old_save || (now == new_save && fail_at == ops.steps - 1)) << "step " << fail_at;
      EXPECT_EQ(shown[0], std::make_pair(std::string(save_error_message), save_error_colour)) << fail_at;
      EXPECT_FALSE(fs::exists(temporary_save_path("Sample"))) << fail_at;
    } else {
      EXPECT_EQ(now, new_save) << "step " << fail_at;
      EXPECT_EQ(shown[0].first, "ui_game_saved_successfully");
    }
    // Put the old save back for the next step.
    fs::copy_file(root / "keep.sav", slot(2), fs::copy_options::overwrite_existing);
    if (fail_at >= ops.steps) break;  // no step failed: every step was tried
  }
}

TEST_F(SaveGameTest, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewSave) {
  ASSERT_EQ(save_game(f.g, *f.c, 1, nullptr, target), 0);
  const std::string old_save = read_file(slot(1));
  for (int i = 0; i < 1000; ++i) {
    const std::int32_t id = f.c->state.parties.take_free_party();
    party& p = *f.c->state.parties.get_party_by_id(id);
    p.reset();
    p.identifier = ruv_string("p_extra");
    p.name = ruv_string(std::string(300, 'k'));
  }
  const std::string new_save = save_game_bytes(f.g, *f.c, nullptr);
  // How long a save takes here, to spread the kills over it.
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(save_game(f.g, *f.c, 4, nullptr, target), 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
  int saw_old = 0;
  int saw_new = 0;
  const int kills = 40;
  for (int k = 0; k < kills; ++k) {
    // Slot 1 holds the old save before each kill.
    {
      std::ofstream out(slot(1), std::ios::binary | std::ios::trunc);
      out << old_save;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      save_target quiet;
      quiet.module = "Sample";
      const int r = save_game(f.g, *f.c, 1, nullptr, quiet);
      ::_exit(r == 0 ? 0 : 1);
    }
    // The last writer runs to its end, whatever the machine's load.
    if (k + 1 < kills) {
      std::this_thread::sleep_for(whole * k / (kills / 2));
      ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string now = read_file(slot(1));
    ASSERT_TRUE(now == old_save || now == new_save) << "kill " << k << ": " << now.size() << " bytes";
    (now == old_save ? saw_old : saw_new)++;
  }
  // Early kills leave the old save; the writer left to finish, the new.
  EXPECT_GT(saw_old, 0);
  EXPECT_GT(saw_new, 0);
}

}  // namespace
}  // namespace hm
