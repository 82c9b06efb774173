// Start-up faults that even root meets: no X display with "GL_ERROR.txt" unwritable, and
// something other than a readable file in the place of an art file. The game must end by itself
// with the documented status and output, never crash, hang or report a sanitizer error.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "Harness.h"

using namespace reliability;

namespace {

constexpr auto EndWithin = std::chrono::seconds(90);

struct Result {
  std::string Out, Err, Status;
  bool ExitedWith0 = false, ExitedWith1 = false;
};

// Starts the game in the folder with the environment changes and waits for it to end by itself.
Result RunGame(const fs::path& folder, const std::map<std::string, std::string>& env) {
  Child game;
  Result r;
  if (!game.Start({SIEVERUSH_BINARY}, folder, env, folder / "stdout.txt", folder / "stderr.txt")) {
    r.Status = "not started";
    return r;
  }
  if (!game.WaitEnd(EndWithin)) {
    game.Kill();
    r.Status = "still running after 90 s (killed)";
  } else {
    r.Status = game.Describe();
  }
  r.ExitedWith0 = game.ExitedWith(0);
  r.ExitedWith1 = game.ExitedWith(1);
  r.Out = ReadFile(folder / "stdout.txt");
  r.Err = ReadFile(folder / "stderr.txt");
  return r;
}

const std::map<std::string, std::string> NoDisplay = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};

class NoDisplayStart : public ::testing::Test {
protected:
  TempDir Folder{"sieverush-nodisplay"};
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CopyArt(SIEVERUSH_PLAY_DIR, Folder.Path(), error)) << error;
  }
};

TEST_F(NoDisplayStart, WritesTheReportAndExits1) {
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(r.Out, "");
  EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
  EXPECT_EQ(ReadFile(Folder.Path() / "GL_ERROR.txt"),
            "Caught exception:\n  Failed to initialize GLFW.\n");
}

TEST_F(NoDisplayStart, ReportNameTakenByAFolderStillExits1) {
  fs::create_directory(Folder.Path() / "GL_ERROR.txt");
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(r.Out, "");
  EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
  EXPECT_TRUE(fs::is_directory(Folder.Path() / "GL_ERROR.txt"));
}

TEST_F(NoDisplayStart, ReportOnAFullDeviceStillExits1) {
  // Writes to /dev/full fail with "no space left", for root as for anyone.
  fs::create_symlink("/dev/full", Folder.Path() / "GL_ERROR.txt");
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(r.Out, "");
  EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
}

TEST_F(NoDisplayStart, ReportThroughADanglingLinkStillExits1) {
  fs::create_symlink("no/such/folder/report", Folder.Path() / "GL_ERROR.txt");
  const Result r = RunGame(Folder.Path(), NoDisplay);
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
}

TEST_F(NoDisplayStart, UnreachableDisplayIsAFailedStart) {
  const Result r = RunGame(Folder.Path(), {{"DISPLAY", "/nonexistent/socket:0"}});
  EXPECT_TRUE(r.ExitedWith1) << r.Status;
  EXPECT_EQ(ReadFile(Folder.Path() / "GL_ERROR.txt"),
            "Caught exception:\n  Failed to initialize GLFW.\n");
}

// One private X server for the art cases; each case gets its own play folder.
class ArtInPlace : public ::testing::TestWithParam<const char*> {
protected:
  static void SetUpTestSuite() {
    Server = std::make_unique<PrivateX>();
    std::string error;
    if (!Server->Start(error)) {
      ServerError = error;
      Server.reset();
    }
  }
  static void TearDownTestSuite() { Server.reset(); }

  void SetUp() override {
    ASSERT_TRUE(Server) << ServerError;
    std::string error;
    ASSERT_TRUE(CopyArt(SIEVERUSH_PLAY_DIR, Folder.Path(), error)) << error;
    Target = Folder.Path() / GetParam();
    fs::remove(Target);
  }

  // The game must print exactly the file's line and end with status 0.
  void ExpectRefused() {
    // A sanitizer build keeps its leak check off here: the system's GL driver keeps memory
    // until exit that is not the game's.
    const Result r =
        RunGame(Folder.Path(), {{"DISPLAY", Server->Name()}, {"ASAN_OPTIONS", "detect_leaks=0"}});
    EXPECT_TRUE(r.ExitedWith0) << r.Status << "\n" << r.Err;
    EXPECT_EQ(r.Out, std::string("Unable to load '") + GetParam() + "'\n");
    EXPECT_FALSE(HasSanitizerReport(r.Err)) << r.Err;
  }

  static std::unique_ptr<PrivateX> Server;
  static std::string ServerError;
  TempDir Folder{"sieverush-artfault"};
  fs::path Target;
};
std::unique_ptr<PrivateX> ArtInPlace::Server;
std::string ArtInPlace::ServerError;

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

INSTANTIATE_TEST_SUITE_P(EachFile, ArtInPlace,
                         ::testing::Values("SieveFont.bff", "Case.tga", "CaseSide.tga", "Patch.tga",
                                           "Hole.tga", "Bits.tga"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           name.erase(name.find('.'));
                           return name;
                         });

}  // namespace
