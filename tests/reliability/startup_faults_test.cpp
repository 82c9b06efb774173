// Start-up faults: no X display (with "GL_ERROR.txt" stale or unwritable), and something other
// than a good art file in the place of one. The game must end by itself with the documented
// status and output, never crash, hang or report a sanitizer error.
//
// SIEVERUSH_GAME and SIEVERUSH_ART (a folder) run the same checks against another build.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <string>

#include "Harness.h"

using namespace harness;

namespace {

constexpr auto EndWithin = std::chrono::seconds(90);
const std::string NoGlfwReport = "Caught exception:\n  Failed to initialize GLFW.\n";
const std::map<std::string, std::string> NoDisplay = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};

std::string GameBinary() {
  return EnvOr("SIEVERUSH_GAME", SIEVERUSH_BINARY);
}
fs::path ArtFolder() {
  return EnvOr("SIEVERUSH_ART", SIEVERUSH_PLAY_DIR);
}

struct Result {
  std::string Out, Err, Status;
  bool ExitedWith0 = false, ExitedWith1 = false;
};

// Starts the game in the folder with the environment changes and waits for it to end by itself.
Result RunGame(const fs::path& folder, const std::map<std::string, std::string>& env) {
  Child game;
  Result r;
  if (!game.StartIn({GameBinary()}, folder, env)) {
    r.Status = "not started";
    return r;
  }
  r.Status = game.Finish(EndWithin) ? game.Describe() : "still running after 90 s (killed)";
  r.ExitedWith0 = game.ExitedWith(0);
  r.ExitedWith1 = game.ExitedWith(1);
  r.Out = game.Out();
  r.Err = game.Err();
  return r;
}

// A play folder holding copies of the art files.
class PlayFolder : public ::testing::Test {
protected:
  TempDir Folder{"sieverush-startup"};
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CopyArt(ArtFolder(), Folder.Path(), error)) << error;
  }
  fs::path Report() const { return Folder.Path() / "GL_ERROR.txt"; }
};

using NoDisplayStart = PlayFolder;

TEST_F(NoDisplayStart, WritesTheReportAndExits1SayingNothing) {
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(ReadFile(Report()), NoGlfwReport);
}

TEST_F(NoDisplayStart, ReplacesAnOlderLongerReportWhole) {
  std::ofstream(Report())
      << "Caught exception:\n  Failed to open window.\nand some more lines\nof an old run\n";
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(ReadFile(Report()), NoGlfwReport);
}

TEST_F(NoDisplayStart, ReportNameTakenByAFolderStillExits1) {
  fs::create_directory(Report());
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(r.Out, "");
  EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
  EXPECT_TRUE(fs::is_directory(Report()));
}

TEST_F(NoDisplayStart, ReportOnAFullDeviceStillExits1) {
  // Writes to /dev/full fail with "no space left", for root as for anyone.
  fs::create_symlink("/dev/full", Report());
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(r.Out, "");
  EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
}

TEST_F(NoDisplayStart, ReportThroughADanglingLinkStillExits1) {
  fs::create_symlink("no/such/folder/report", Report());
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
}

TEST_F(NoDisplayStart, UnreachableDisplayIsAFailedStart) {
  const Result r = RunGame(Folder.Path(), {{"DISPLAY", "/nonexistent/socket:0"}});
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(ReadFile(Report()), NoGlfwReport);
}

// One private X server for all the art cases, up until the program ends; "" if it failed.
std::string ArtDisplay(std::string& error) {
  static PrivateX server;
  static std::string startError;
  static const bool started = server.Start(startError);
  error = startError;
  return started ? server.Name() : "";
}

// The game must print exactly the file's line, end with status 0 and write no report.
void ExpectRefusedIn(const fs::path& folder, const std::string& file) {
  std::string error;
  const std::string display = ArtDisplay(error);
  ASSERT_FALSE(display.empty()) << error;
  // A sanitizer build keeps its leak check off here: the system's GL driver keeps memory until
  // exit that is not the game's.
  const Result r = RunGame(folder, {{"DISPLAY", display}, {"ASAN_OPTIONS", "detect_leaks=0"}});
  EXPECT_TRUE(r.ExitedWith0) << r.Status << "\n" << r.Err;
  EXPECT_EQ(r.Out, "Unable to load '" + file + "'\n");
  EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
  EXPECT_FALSE(fs::exists(folder / "GL_ERROR.txt"));
}

// Each art file in turn replaced by something that is no file to read.
class ArtInPlace : public PlayFolder, public ::testing::WithParamInterface<const char*> {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(PlayFolder::SetUp());
    Target = Folder.Path() / GetParam();
    fs::remove(Target);
  }
  void ExpectRefused() { ExpectRefusedIn(Folder.Path(), GetParam()); }
  fs::path Target;
};

TEST_P(ArtInPlace, FolderIsRefused) {
  fs::create_directory(Target);
  ExpectRefused();
}

TEST_P(ArtInPlace, MissingFileIsRefused) {
  ExpectRefused();
}

TEST_P(ArtInPlace, DanglingLinkIsRefused) {
  fs::create_symlink("gone.tga", Target);
  ExpectRefused();
}

TEST_P(ArtInPlace, NamedPipeWithoutWriterIsRefused) {
  // Opening a pipe for reading waits for a writer that never comes: a game that does not look
  // before it opens hangs here.
  ASSERT_EQ(mkfifo(Target.c_str(), 0644), 0);
  ExpectRefused();
}

TEST_P(ArtInPlace, DeviceIsRefused) {
  fs::create_symlink("/dev/zero", Target);
  ExpectRefused();
}

INSTANTIATE_TEST_SUITE_P(EachFile, ArtInPlace, ::testing::ValuesIn(ArtFiles),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           name.erase(name.find('.'));
                           return name;
                         });

// Files that are there but whose contents do not hold up.
using DamagedArt = PlayFolder;

TEST_F(DamagedArt, PictureCutShortInItsPixelsIsRefused) {
  const fs::path file = Folder.Path() / "Case.tga";
  const std::string bytes = ReadFile(file);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes.substr(0, bytes.size() / 2);
  ExpectRefusedIn(Folder.Path(), "Case.tga");
}

TEST_F(DamagedArt, PictureThatIsNoTgaIsRefused) {
  std::ofstream(Folder.Path() / "Hole.tga", std::ios::binary | std::ios::trunc) << "GIF89a";
  ExpectRefusedIn(Folder.Path(), "Hole.tga");
}

TEST_F(DamagedArt, FontWithOneByteTooManyIsRefused) {
  std::ofstream(Folder.Path() / "SieveFont.bff", std::ios::binary | std::ios::app) << 'x';
  ExpectRefusedIn(Folder.Path(), "SieveFont.bff");
}

}  // namespace
