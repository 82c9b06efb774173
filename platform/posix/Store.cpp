// The kept files on Linux, where the XDG base directory rules put them: the settings in the
// config folder, the best and the runs in the state folder.
#include <cstdlib>

#include "platform/Store.h"
#include "posix/Files.h"

namespace {

// Far more than any text file of ours, or any recording a game makes; anything larger is not
// one, and is not read into memory.
constexpr std::size_t MostBytes = 64 * 1024;
constexpr std::size_t MostRecordingBytes = 256u << 20;

// The folder of the game's own files in the config or the state folder, or false with `problem`
// when there is no home to put it in. A relative XDG folder is ignored, as the rules say.
bool FolderOf(bool config, std::string& folder, std::string& problem) {
  const char* xdg = std::getenv(config ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME");
  if (xdg && xdg[0] == '/') {
    folder = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
      problem = home && home[0] ? "HOME is not an absolute path" : "HOME is not set";
      return false;
    }
    folder = std::string(home) + (config ? "/.config" : "/.local/state");
  }
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  folder += "/sieverush";
  return true;
}

// The runs' folder: recordings beside their table.
bool RunsFolder(std::string& folder, std::string& problem) {
  if (!FolderOf(false, folder, problem))
    return false;
  folder += "/runs";
  return true;
}

bool PathOf(KeptFile file, std::string& folder, std::string& path, std::string& problem) {
  if (file == KeptFile::Runs ? !RunsFolder(folder, problem)
                             : !FolderOf(file == KeptFile::Settings, folder, problem))
    return false;
  path = folder + (file == KeptFile::Settings ? "/settings"
                   : file == KeptFile::Best   ? "/best"
                                              : "/table");
  return true;
}

}  // namespace

std::string KeptPlace(KeptFile file) {
  std::string folder, path, problem;
  if (PathOf(file, folder, path, problem))
    return path;
  return file == KeptFile::Settings ? "$HOME/.config/sieverush/settings"
         : file == KeptFile::Best   ? "$HOME/.local/state/sieverush/best"
                                    : "$HOME/.local/state/sieverush/runs/table";
}

KeptRead ReadKept(KeptFile file, std::string& text, std::string& problem) {
  std::string folder, path;
  if (!PathOf(file, folder, path, problem))
    return KeptRead::Failed;
  return posix_files::Read(path, MostBytes, text, problem);
}

bool WriteKept(KeptFile file, const std::string& text, std::string& problem) {
  std::string folder, path;
  return PathOf(file, folder, path, problem) && posix_files::Write(folder, path, text, problem);
}

bool ChangeKept(KeptFile file, const std::function<bool(KeptRead, std::string&)>& change,
                std::string& problem) {
  std::string folder, path, text;
  if (!PathOf(file, folder, path, problem))
    return false;
  const posix_files::Lock held(folder, path);
  const KeptRead read = posix_files::Read(path, MostBytes, text, problem);
  return !change(read, text) || posix_files::Write(folder, path, text, problem);
}

bool MoveKeptAside(KeptFile file, const std::string& stamp, std::string& aside,
                   std::string& problem) {
  std::string folder, path;
  return PathOf(file, folder, path, problem) && posix_files::MoveAside(path, stamp, aside, problem);
}

std::string KeptRecordingPlace(const std::string& name) {
  std::string folder, problem;
  return (RunsFolder(folder, problem) ? folder : "$HOME/.local/state/sieverush/runs") + "/" + name;
}

KeptRead ReadKeptRecording(const std::string& name, std::string& bytes, std::string& problem) {
  std::string folder;
  if (!RunsFolder(folder, problem))
    return KeptRead::Failed;
  return posix_files::Read(folder + "/" + name, MostRecordingBytes, bytes, problem);
}

bool WriteKeptRecording(std::string& name, const std::string& bytes, bool fresh,
                        std::string& problem) {
  std::string folder, unused;
  if (!RunsFolder(folder, problem) || (fresh && !posix_files::Claim(folder, name, problem)))
    return false;
  if (posix_files::Write(folder, folder + "/" + name, bytes, problem))
    return true;
  // The name claimed is given up again.
  if (fresh)
    posix_files::Remove(folder + "/" + name, unused);
  return false;
}

bool RemoveKeptRecording(const std::string& name, std::string& problem) {
  std::string folder;
  return RunsFolder(folder, problem) && posix_files::Remove(folder + "/" + name, problem);
}

bool ListKeptRecordings(std::vector<KeptRecording>& recordings, std::string& problem) {
  std::string folder;
  return RunsFolder(folder, problem) &&
         posix_files::List(folder, ".sieverush", recordings, problem);
}
