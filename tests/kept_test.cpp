// The kept files' text reads back as written and anything else is refused whole, with its reason
// (the runs table line by line); the Linux store keeps them where XDG says, whole even with two
// writers at once, leaving no trace; the app keeps the ten best runs and the last, and what it
// cannot believe costs only itself, after one line.
#include <gtest/gtest.h>

#include <fnmatch.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "Memory.h"
#include "Runs.h"
#include "game/Kept.h"
#include "game/Replay.h"
#include "platform/Store.h"

namespace fs = std::filesystem;

// Whether `text` is as `pattern` says, with the shell's wildcards (* for any text; #, a digit).
bool Like(const std::string& text, std::string pattern) {
  for (std::size_t at; (at = pattern.find('#')) != std::string::npos;)
    pattern.replace(at, 1, "[0-9]");
  return fnmatch(pattern.c_str(), text.c_str(), 0) == 0;
}

// What the settings' reader ('s'), the best's ('b') or the runs table's ('r') makes of `text`: the
// text its writer writes of what was read (and why each line of the table it did not believe was
// dropped), or why it refused it. What a line left out sets is seen: each value starts odd.
std::string Read(char kind, const std::string& text) {
  Settings settings{true, true, 9, 9, 9, 9, true};
  int best = 7;
  std::string problem;
  std::vector<KeptRun> runs;
  std::vector<std::string> dropped;
  if (kind == 'r' && ParseRuns(text, runs, dropped, problem))
    for (const std::string& why : dropped)
      problem += why;
  if (kind == 'r')
    return problem.size() && runs.empty() ? problem : FormatRuns(runs) + problem;
  if (kind == 's' ? ParseSettings(text, settings, problem) : ParseBest(text, best, problem))
    return kind == 's' ? FormatSettings(settings) : FormatBest(best);
  return problem;
}

TEST(Kept, TextsReadBackOrAreRefusedWhole) {
  const std::string S = "Sieve Rush settings 1\n", B = "Sieve Rush best 1\n", W = S + "window ";
  const std::string example = W + "120 80 800 600\nfullscreen no\nsound on\n";
  // Read back (as themselves where `want` is empty): the header's example, also as a player may
  // edit it (lines in any order or left out, Notepad's line ends and byte order mark); the ranges'
  // edges; what the writers keep of values out of range. Refused: what is not the writer's own
  // spelling, one reason each; a damaged field outweighs another out of range.
  const std::tuple<char, std::string, std::vector<std::string>> cases[] = {
      {'s', example, {example, "\xEF\xBB\xBF" + S + "sound on\r\nwindow 120 80 800 600\r\n"}},
      {'s', "", {W + "-100000 100000 1 100000\nfullscreen yes\nsound off\n"}},
      {'s', S + "fullscreen no\nsound on\n", {FormatSettings({false, true, 0, 200000, 5, 5})}},
      {'b', B + "best 0\n", {FormatBest(-5)}},
      {'b', B + "best 999999999\n", {FormatBest(MostBest + 1)}},
      {'s', "empty", {""}},
      {'s', "cut short", {S + "sound on"}},
      {'s', "too large", {S + std::string(4096, '#')}},
      {'s', "not a Sieve Rush settings file", {B + "best 4\n", "sieve rush settings 1\n"}},
      {'b', "not a Sieve Rush best uptime file", {S}},
      {'s', "made by a newer version of the game (version 2)", {"Sieve Rush settings 2\nnew"}},
      {'s', "damaged (line 1)", {"Sieve Rush settings 0\n", "Sieve Rush settings 1 \n"}},
      {'s', "damaged (line 2)", {S + "volume 3\n", S + "sound On\n", S + "fullscreen yes no\n"}},
      {'s', "damaged (line 2)", {W + "1 2 3\n", W + "1 2 3 4 \n", W + "+1 2 3 4\n"}},
      {'s', "damaged (line 2)", {W + "01 2 3 4\n", W + "1  2 3 4\n", W + "100001 -0 1 1\n"}},
      {'s', "damaged (line 3)", {S + "sound on\n\n", S + "sound on\nsound off\n"}},
      {'s', "out of range (line 2)", {W + "100001 0 1 1\n", W + "0 -100001 1 1\n"}},
      {'s', "out of range (line 2)", {W + "0 0 0 1\n", W + "0 0 1 100001\n"}},
      {'b', "out of range (line 2)", {B + "best -1\n", B + "best 1000000000\n"}},
      {'b', "out of range (line 2)", {B + "best 18446744073709551621\n"}},
      {'b', "damaged (line 2)", {B + "best\n", B + "sound on\n"}},
      {'b', "damaged (line 3)", {B + "best 1\nbest 1\n"}},
      {'b', "damaged (no best line)", {B}}};
  for (const auto& [kind, want, texts] : cases)
    for (const std::string& text : texts)
      EXPECT_EQ(Read(kind, text), want.empty() ? text : want) << text;
}

TEST(Kept, RunsTableCostsOnlyTheLinesItCannotBelieve) {
  const std::string R = "Sieve Rush runs 1\n", A = "run 9 2024-02-29T23:59:59Z a.sieverush\n";
  const std::string B = "run 0 1970-01-01T00:00:00Z 20261208T042300-184s-2.sieverush\n";
  EXPECT_EQ(Read('r', R + A + B), R + A + B);
  EXPECT_EQ(
      Read('r', R + A + "run 9 2023-02-29T00:00:00Z b.sieverush\nrun 1 2024-13-01T00:00:00Z " +
                    "c.sieverush\nrun 1 2024-01-01T00:00:00Z ../d.sieverush\nrun 1 " +
                    "2024-01-01T00:00:00Z e.rec\n" + A + "run 1000000000 2024-01-01T00:00:00Z " +
                    "f.sieverush\n" + B.substr(0, B.size() - 1)),
      R + A + "damaged (line 3)damaged (line 4)damaged (line 5)damaged (line 6)damaged " +
          "(line 7)out of range (line 8)cut short (line 9)");
  EXPECT_EQ(Read('r', "Sieve Rush runs 2\n"), "made by a newer version of the game (version 2)");
  KeptRun run;
  EXPECT_TRUE(ReadRunName(RunName(184, 1796703780), run) && run.Uptime == 184 &&
              run.When == 1796703780 && DateText(run.When, false) == "2026-12-08T04:23:00Z");
}

// The store's three folders in a fresh one. No temporary file is left (mkostemp's six letters).
struct Store : testing::Test {
  fs::path dir = mkdtemp(std::string("/tmp/kept_test.XXXXXX").data());
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
      setenv(name, (dir / name).c_str(), 1);
  }
  void TearDown() override {
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      EXPECT_FALSE(Like(entry.path().filename().string(), "*.??????")) << entry.path();
    fs::remove_all(dir);
  }
};

TEST_F(Store, SaysWhyAFileCannotBeKept) {
  std::string text, problem;
  // The best kept where a folder is.
  fs::create_directories(dir / "XDG_CONFIG_HOME/sieverush/best");
  setenv("XDG_STATE_HOME", (dir / "XDG_CONFIG_HOME").c_str(), 1);
  EXPECT_FALSE(WriteKept(KeptFile::Best, "text\n", problem));
  EXPECT_EQ(problem, "cannot replace '" + KeptPlace(KeptFile::Best) + "': Is a directory");
  EXPECT_EQ(ReadKept(KeptFile::Best, text, problem), KeptRead::Failed);
  // A relative XDG folder is not believed; without HOME there is nowhere.
  setenv("XDG_CONFIG_HOME", "XDG_CONFIG_HOME", 1);
  EXPECT_EQ(KeptPlace(KeptFile::Settings), dir / "HOME/.config/sieverush/settings");
  unsetenv("HOME");
  EXPECT_EQ(ReadKept(KeptFile::Settings, text, problem), KeptRead::Failed);
  EXPECT_EQ(problem, "HOME is not set");
}

TEST_F(Store, WritersAtOnceLeaveOneWholeText) {
  const std::string one(3000, '1'), two = "two\n";
  std::string text, problem;
  ASSERT_TRUE(WriteKept(KeptFile::Best, one, problem)) << problem;
  std::atomic<int> writing = 2;
  const auto write = [&](const std::string& mine) {
    std::string said;
    for (int i = 0; i < 300; ++i)
      EXPECT_TRUE(WriteKept(KeptFile::Best, mine, said)) << said;
    --writing;
  };
  std::thread first(write, one), second(write, two);
  while (writing > 0)
    EXPECT_TRUE(ReadKept(KeptFile::Best, text, problem) == KeptRead::Read &&
                (text == one || text == two))
        << problem << text.size() << " bytes read";
  first.join(), second.join();
}

// A whole recording told apart by its seed; how many files a folder holds.
std::vector<unsigned char> Game(int seed) {
  ReplayWriter writer({static_cast<std::uint64_t>(seed), 256, false, 0});
  writer.Add({});
  writer.Finish();
  return writer.Pending();
}
std::ptrdiff_t Files(const fs::path& folder) {
  return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

// Twelve games, two copies of the game finishing them at once, leave the ten best (a tie: the
// earlier ahead) with their recordings, and the last; a table line or a recording that is lost
// costs only its run, said once; a folder that cannot be written, only the keeping.
TEST_F(Store, RunsKeepTheTenBestAndTheLast) {
  const int uptimes[12] = {5, 9, 3, 9, 12, 1, 7, 9, 4, 8, 2, 6};
  Runs first, second;
  testing::internal::CaptureStderr();
  first.Recall(), second.Recall();
  std::thread other([&] {
    for (int i = 1; i < 12; i += 2)
      second.Keep(Game(i), uptimes[i], 1796703780 + i);
  });
  for (int i = 0; i < 12; i += 2)
    first.Keep(Game(i), uptimes[i], 1796703780 + i);
  other.join();
  // Each copy's recordings pushed out by the other's runs are its own to remove.
  second.Keep(Game(13), 0, 1796703800);
  first.Keep(Game(12), 0, 1796703800);
  Runs again;
  again.Recall();
  std::string said;
  for (const KeptRun& run : again.Best())
    said += std::to_string(run.Uptime) + " " + DateText(run.When, true).substr(13) + ",";
  EXPECT_EQ(said, "12 04,9 01,9 03,9 07,8 09,7 06,6 11,5 00,4 08,3 02,");
  const fs::path runs = dir / "XDG_STATE_HOME/sieverush/runs";
  EXPECT_EQ(fs::status(dir / "XDG_STATE_HOME").permissions(), fs::perms::owner_all);
  EXPECT_EQ(Files(runs), 10 + 3);
  std::vector<unsigned char> bytes;
  EXPECT_TRUE(again.ReadLast(bytes) && bytes == Game(12));
  EXPECT_TRUE(again.Read(9, bytes) && bytes == Game(2));
  // A line of the table damaged, a recording removed, another damaged.
  std::string table;
  std::getline(std::ifstream(runs / "table"), table, '\0');
  std::ofstream(runs / "table") << table.replace(table.find("run 9 "), 5, "run x");
  fs::remove(runs / again.Best()[5].Name);
  std::ofstream(runs / again.Best()[6].Name) << "SRRP";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  testing::internal::CaptureStderr();
  again.Recall();
  EXPECT_FALSE(again.Read(4, bytes));
  EXPECT_EQ(again.Best().size(), 7u);
  said = testing::internal::GetCapturedStderr();
  for (const char* want : {"*forgot a best run in '*' (damaged (line 3))*",
                           "*forgot the run of 7 seconds of *: its recording '*' is gone*",
                           "*cannot watch the run of 6 seconds *; it is forgotten*"})
    EXPECT_TRUE(Like(said, want)) << want << said;
}

// None yet is said nothing of; a damaged file is moved aside with one line, once, and kept afresh;
// a newer game's is left as it is; where nothing can be written, one line for the runs.
TEST_F(Store, DamagedFilesAreMovedAsideOnceMissingOnesAreSilent) {
  const fs::path config = dir / "XDG_CONFIG_HOME/sieverush",
                 state = dir / "XDG_STATE_HOME/sieverush";
  const std::string newer = "Sieve Rush best 2\nbest 5\n";
  std::vector<std::string> said;
  for (int start = 0; start < 3; ++start) {
    testing::internal::CaptureStderr();
    Memory memory;
    Runs runs;
    memory.Recall(), runs.Recall(), memory.Keep(Settings{});
    said.push_back(testing::internal::GetCapturedStderr());
    if (start == 0) {
      fs::create_directories(state);
      std::ofstream(config / "settings") << "Sieve Rush settings 1\nsound loud\n";
      std::ofstream(state / "best") << newer;
    }
  }
  const std::string left =
      "sieverush: cannot use the best uptime in '" + (state / "best").string() +
      "' (made by a newer version of the game (version 2)), left as it is " + "for that game\n";
  const std::string settings = (config / "settings").string();
  EXPECT_TRUE(Like(said[0] + said[1] + said[2],
                   "sieverush: cannot use the settings in '" + settings +
                       "' (damaged (line 2)), moved " + "aside to '" + settings +
                       ".damaged-########T######'; kept afresh\n" + left + left))
      << said[0] + said[1] + said[2];
  EXPECT_EQ(Files(config), 2);  // settings, and the one moved aside
  std::string text, problem;
  EXPECT_TRUE(ReadKept(KeptFile::Settings, text, problem) == KeptRead::Read &&
              text == FormatSettings({}));
  EXPECT_TRUE(ReadKept(KeptFile::Best, text, problem) == KeptRead::Read && text == newer);
  std::ofstream(state / "runs");  // the runs' folder where a file is
  testing::internal::CaptureStderr();
  Runs runs;
  runs.Recall();
  runs.Keep(Game(0), 5, 0), runs.Keep(Game(1), 5, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "sieverush: cannot keep the last game in '" + (state / "runs/last.sieverush").string() +
                "' (cannot make the folder '" + (state / "runs").string() +
                "': Not a directory); the game plays on\n");
}
