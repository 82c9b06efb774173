// The kept files' text reads back as written and anything else is refused whole, with its reason;
// the Linux store keeps them where XDG says, whole even with two writers at once, leaving no trace.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <tuple>

#include "game/Kept.h"
#include "platform/Store.h"

namespace fs = std::filesystem;

// What the settings' reader ('s') or the best's ('b') makes of `text`: the text its writer writes
// of what was read, or why it refused it. What a line left out sets is seen: each value starts odd.
std::string Read(char kind, const std::string& text) {
  Settings settings{true, true, 9, 9, 9, 9, true};
  int best = 7;
  std::string problem;
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

// The store's three folders in a fresh one. No temporary file is left: no name there has a dot.
struct Store : testing::Test {
  fs::path dir = mkdtemp(std::string("/tmp/kept_test.XXXXXX").data());
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
      setenv(name, (dir / name).c_str(), 1);
  }
  void TearDown() override {
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      EXPECT_EQ(entry.path().filename().string().find('.'), std::string::npos) << entry.path();
    fs::remove_all(dir);
  }
};

TEST_F(Store, KeepsFilesWhereXdgSaysOrSaysWhyNot) {
  std::string text, problem;
  const fs::path settings = dir / "XDG_CONFIG_HOME/sieverush/settings";
  for (const auto& [file, place] : {std::pair{KeptFile::Settings, settings},
                                    {KeptFile::Best, dir / "XDG_STATE_HOME/sieverush/best"}}) {
    EXPECT_EQ(KeptPlace(file), place);
    EXPECT_EQ(ReadKept(file, text, problem), KeptRead::Missing);
    EXPECT_TRUE(WriteKept(file, place, problem)) << problem;
    EXPECT_EQ(ReadKept(file, text, problem), KeptRead::Read);
    EXPECT_EQ(text, place);
  }
  EXPECT_EQ(fs::status(dir / "XDG_STATE_HOME").permissions(), fs::perms::owner_all);
  // The best kept where a folder is, then in a folder under the settings file.
  fs::create_directory(dir / "XDG_CONFIG_HOME/sieverush/best");
  setenv("XDG_STATE_HOME", (dir / "XDG_CONFIG_HOME").c_str(), 1);
  EXPECT_FALSE(WriteKept(KeptFile::Best, "text\n", problem));
  EXPECT_EQ(problem, "cannot replace '" + KeptPlace(KeptFile::Best) + "': Is a directory");
  EXPECT_EQ(ReadKept(KeptFile::Best, text, problem), KeptRead::Failed);
  setenv("XDG_STATE_HOME", (settings / "state").c_str(), 1);
  EXPECT_FALSE(WriteKept(KeptFile::Best, "text\n", problem));
  EXPECT_EQ(problem,
            "cannot make the folder '" + settings.string() + "/state/sieverush': Not a directory");
  EXPECT_EQ(ReadKept(KeptFile::Best, text, problem), KeptRead::Missing);
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
