// The kept files' text reads back as written and anything else is refused whole, with its reason;
// the Linux store keeps them where XDG says, whole even with two writers at once, leaving no trace.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "game/Kept.h"
#include "platform/Store.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
const std::string S = "Sieve Rush settings 1\n", B = "Sieve Rush best 1\n", W = S + "window ";
const Settings Odd{true, true, 9, 9, 9, 9, true};

auto Tie(const Settings& s) {
  return std::tuple(s.Fullscreen, s.Placed, s.X, s.Y, s.Width, s.Height, s.Muted);
}

TEST(Kept, TextsReadBack) {
  // The header's example; each range's edges; a place out of range, not kept; a text as a player
  // may edit it: lines in any order or left out, with Notepad's line ends and byte order mark.
  const Settings edges{true, true, -100000, 100000, 1, 100000, true};
  const std::pair<std::string, Settings> texts[] = {
      {W + "120 80 800 600\nfullscreen no\nsound on\n", {false, true, 120, 80, 800, 600, false}},
      {FormatSettings(edges), edges},
      {FormatSettings({false, true, 0, 200000, 5, 5, true}), {false, false, 0, 0, 0, 0, true}},
      {"\xEF\xBB\xBF" + S + "sound off\r\nwindow -5 0 7 8\r\n", {false, true, -5, 0, 7, 8, true}}};
  for (const auto& [text, want] : texts) {
    Settings out = Odd;
    std::string problem;
    EXPECT_TRUE(ParseSettings(text, out, problem)) << text << problem;
    EXPECT_EQ(Tie(out), Tie(want)) << text;
  }
  EXPECT_EQ(FormatSettings(texts[0].second), texts[0].first);
  EXPECT_EQ(FormatBest(42), B + "best 42\n");
  for (const auto& [seconds, want] : {std::pair{0, 0}, {-5, 0}, {MostBest + 1, MostBest}}) {
    int best = -1;
    std::string problem;
    EXPECT_TRUE(ParseBest(FormatBest(seconds), best, problem) && best == want) << seconds;
  }
}

TEST(Kept, OthersAreRefusedWhole) {
  // Each text refused by the settings' reader ('s') or the best's ('b'), saying `want`.
  const auto refuse = [](char kind, const std::string& want, const Texts& texts) {
    for (const std::string& text : texts) {
      Settings out = Odd;
      int best = 7;
      std::string problem;
      EXPECT_FALSE(kind == 's' ? ParseSettings(text, out, problem)
                               : ParseBest(text, best, problem));
      EXPECT_EQ(problem, want) << text;
      EXPECT_TRUE(Tie(out) == Tie(Odd) && best == 7) << text;
    }
  };
  refuse('s', "empty", {""});
  refuse('s', "cut short", {S + "sound on", "Sieve Rush settings 1"});
  refuse('s', "too large", {S + std::string(4096, '#')});
  refuse('s', "not a Sieve Rush settings file", {B + "best 4\n", "\n", "sieve rush settings 1\n"});
  refuse('b', "not a Sieve Rush best uptime file", {S});
  refuse('s', "made by a newer version of the game (version 2)", {"Sieve Rush settings 2\nnew"});
  refuse('s', "damaged (line 1)",
         {"Sieve Rush settings 0\n", "Sieve Rush settings 01\n", "Sieve Rush settings\n",
          "Sieve Rush settings 1 \n"});
  refuse('s', "damaged (line 2)",
         {S + "volume 3\n", S + "sound On\n", S + "fullscreen yes no\n", W + "1 2 3\n",
          W + "+1 2 3 4\n", W + "01 2 3 4\n", W + "-0 2 3 4\n", W + "1  2 3 4\n", W + "1 2 3 4 \n",
          W + "1 2 3 0x4\n"});
  refuse('s', "damaged (line 3)", {S + "sound on\n\n", S + "sound on\nsound off\n"});
  refuse('s', "out of range (line 2)",
         {W + "100001 0 1 1\n", W + "0 -100001 1 1\n", W + "0 0 0 1\n", W + "0 0 1 100001\n"});
  refuse('b', "out of range (line 2)",
         {B + "best -5\n", B + "best 1000000000\n", B + "best 1000000000000\n",
          B + "best 99999999999999999999\n"});
  refuse('b', "damaged (line 2)", {B + "best 5x\n", B + "best\n", B + "sound on\n"});
  refuse('b', "damaged (line 3)", {B + "best 1\nbest 1\n"});
  refuse('b', "damaged (no best line)", {B});
}

// The store's three folders in a fresh one, whose every file is seen: no temporary file is left.
struct Store : testing::Test {
  fs::path dir = mkdtemp(std::string("/tmp/kept_test.XXXXXX").data());
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
      setenv(name, (dir / name).c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir); }
  int Files() {
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      files += !entry.is_directory();
    return files;
  }
};

TEST_F(Store, KeepsFilesWhereXdgSays) {
  std::string text = "old", problem;
  for (const auto& [file, place] :
       {std::pair{KeptFile::Settings, "XDG_CONFIG_HOME/sieverush/settings"},
        {KeptFile::Best, "XDG_STATE_HOME/sieverush/best"}}) {
    EXPECT_EQ(KeptPlace(file), dir / place);
    EXPECT_EQ(ReadKept(file, text, problem), KeptRead::Missing);
    EXPECT_TRUE(WriteKept(file, "first\n", problem) && WriteKept(file, place, problem)) << problem;
    EXPECT_EQ(ReadKept(file, text, problem), KeptRead::Read);
    EXPECT_EQ(text, place);
  }
  EXPECT_EQ(Files(), 2);
  EXPECT_EQ(fs::status(dir / "XDG_STATE_HOME").permissions(), fs::perms::owner_all);
  // A relative XDG folder is not believed; without HOME there is nowhere.
  setenv("XDG_CONFIG_HOME", "XDG_CONFIG_HOME", 1);
  EXPECT_EQ(KeptPlace(KeptFile::Settings), dir / "HOME/.config/sieverush/settings");
  unsetenv("HOME");
  EXPECT_EQ(ReadKept(KeptFile::Settings, text, problem), KeptRead::Failed);
  EXPECT_EQ(problem, "HOME is not set");
}

TEST_F(Store, FailsLeavingNothing) {
  // The state folder under a file; the settings file a folder.
  const fs::path file = dir / "file", settings = dir / "XDG_CONFIG_HOME/sieverush/settings";
  std::ofstream{file};
  fs::create_directories(settings);
  setenv("XDG_STATE_HOME", (file / "state").c_str(), 1);
  for (const auto& [kept, want] :
       {std::pair{KeptFile::Best, "cannot make the folder '" + (file / "state/sieverush").string() +
                                      "': Not a directory"},
        {KeptFile::Settings, "cannot replace '" + settings.string() + "': Is a directory"}}) {
    std::string text, problem;
    EXPECT_FALSE(WriteKept(kept, "text\n", problem));
    EXPECT_EQ(problem, want);
    EXPECT_EQ(ReadKept(kept, text, problem),
              kept == KeptFile::Best ? KeptRead::Missing : KeptRead::Failed);
  }
  EXPECT_EQ(Files(), 1);
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
  while (writing > 0) {
    EXPECT_EQ(ReadKept(KeptFile::Best, text, problem), KeptRead::Read) << problem;
    EXPECT_TRUE(text == one || text == two) << text.size() << " bytes read";
  }
  first.join(), second.join();
  EXPECT_EQ(Files(), 1);
}
