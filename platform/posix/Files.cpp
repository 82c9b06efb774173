#include "posix/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace posix_files {

namespace {

// A name left taken by a crash, or by many copies at once, is passed over; this many are tried.
constexpr int NamesTried = 100;

std::string Say(const char* what, const std::string& path, int error) {
  return std::string(what) + " '" + path + "': " + std::strerror(error);
}

int MakeOne(const std::string& folder) {
  return mkdir(folder.c_str(), 0700) == 0 ? 0 : errno;
}

// Makes `folder` and its missing parents, private to the player.
bool MakeFolder(const std::string& folder, std::string& problem) {
  int error = MakeOne(folder);
  const std::size_t slash = folder.rfind('/');
  if (error == ENOENT && slash != std::string::npos && slash > 0) {
    if (!MakeFolder(folder.substr(0, slash), problem))
      return false;
    error = MakeOne(folder);
  }
  struct stat status;
  if (error == EEXIST)
    error = stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
  if (error)
    problem = Say("cannot make the folder", folder, error);
  return !error;
}

// The rest of `fd` into `text`, up to `most` bytes; the errno of a failure, or EFBIG when larger.
int ReadAll(int fd, std::size_t most, std::string& text) {
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return errno;
    if (got == 0)
      return 0;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > most)
      return EFBIG;
  }
}

// `name` with "-<number>" before its extension (the last dot's part), for the number-th try.
std::string Numbered(const std::string& name, int number) {
  if (number < 2)
    return name;
  const std::size_t dot = name.rfind('.');
  const std::size_t at = dot == std::string::npos || dot == 0 ? name.size() : dot;
  return name.substr(0, at) + "-" + std::to_string(number) + name.substr(at);
}

}  // namespace

KeptRead Read(const std::string& path, std::size_t most, std::string& text, std::string& problem) {
  // Not blocking, should the name be a pipe's.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  // No such file, or a file where one of its folders should be: there is none yet.
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
    return KeptRead::Missing;
  if (fd < 0) {
    problem = Say("cannot open", path, errno);
    return KeptRead::Failed;
  }
  struct stat status;
  std::string read;
  int error = fstat(fd, &status) != 0    ? errno
              : S_ISDIR(status.st_mode)  ? EISDIR
              : !S_ISREG(status.st_mode) ? EINVAL
                                         : ReadAll(fd, most, read);
  close(fd);
  if (error == EFBIG)
    problem = "too large";
  else if (error == EINVAL)
    problem = "'" + path + "' is not an ordinary file";
  else if (error)
    problem = Say("cannot read", path, error);
  if (error)
    return KeptRead::Failed;
  text.swap(read);
  return KeptRead::Read;
}

bool Write(const std::string& folder, const std::string& path, const std::string& text,
           std::string& problem) {
  if (!MakeFolder(folder, problem))
    return false;
  // mkostemp makes a new name of its own, however many writers there are at once.
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    problem = Say("cannot make a temporary file in", folder, errno);
    return false;
  }
  const char* failed = nullptr;
  int error = 0;
  for (std::size_t at = 0; !failed && at < text.size();) {
    const ssize_t wrote = write(fd, text.data() + at, text.size() - at);
    if (wrote > 0)
      at += static_cast<std::size_t>(wrote);
    else if (wrote == 0 || errno != EINTR)
      failed = "cannot write", error = wrote == 0 ? EIO : errno;
  }
  if (!failed && fsync(fd) != 0)
    failed = "cannot write", error = errno;
  if (close(fd) != 0 && !failed)
    failed = "cannot write", error = errno;
  const std::string* named = &temp;
  if (!failed && rename(temp.c_str(), path.c_str()) != 0)
    failed = "cannot replace", error = errno, named = &path;
  if (failed) {
    problem = Say(failed, *named, error);
    unlink(temp.c_str());
    return false;
  }
  // The rename itself to the disk, as far as the folder lets it; the file is in place either way.
  const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);
    close(folderFd);
  }
  return true;
}

bool Claim(const std::string& folder, std::string& name, std::string& problem) {
  if (!MakeFolder(folder, problem))
    return false;
  int error = EEXIST;
  for (int number = 1; number <= NamesTried && error == EEXIST; ++number) {
    const std::string mine = Numbered(name, number);
    const int fd =
        open((folder + "/" + mine).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    error = fd < 0 ? errno : 0;
    if (fd >= 0) {
      close(fd);
      name = mine;
    }
  }
  if (error)
    problem = Say("cannot make a file in", folder, error);
  return !error;
}

bool MoveAside(const std::string& path, const std::string& stamp, std::string& aside,
               std::string& problem) {
  const std::string base = path + ".damaged-" + stamp;
  // A name checked free, then renamed to: rename() would replace a file moved aside before.
  struct stat status;
  int error = EEXIST;
  for (int number = 1; number <= NamesTried && error == EEXIST; ++number) {
    aside = number < 2 ? base : base + "-" + std::to_string(number);
    if (lstat(aside.c_str(), &status) != 0)
      error = rename(path.c_str(), aside.c_str()) == 0 ? 0 : errno;
  }
  // Gone meanwhile: another copy of the game moved it.
  if (error && error != ENOENT)
    problem = Say("cannot move aside", path, error);
  return !error || error == ENOENT;
}

bool Remove(const std::string& path, std::string& problem) {
  if (unlink(path.c_str()) == 0 || errno == ENOENT)
    return true;
  problem = Say("cannot remove", path, errno);
  return false;
}

bool List(const std::string& folder, const std::string& ending, std::vector<KeptRecording>& files,
          std::string& problem) {
  files.clear();
  DIR* dir = opendir(folder.c_str());
  if (!dir && (errno == ENOENT || errno == ENOTDIR))
    return true;
  if (!dir) {
    problem = Say("cannot list", folder, errno);
    return false;
  }
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    struct stat status;
    if (name.size() > ending.size() &&
        name.compare(name.size() - ending.size(), ending.size(), ending) == 0 &&
        stat((folder + "/" + name).c_str(), &status) == 0 && S_ISREG(status.st_mode))
      files.push_back({name, std::difftime(now, status.st_mtime)});
  }
  closedir(dir);
  return true;
}

Lock::Lock(const std::string& folder, const std::string& path) {
  std::string problem;
  if (!MakeFolder(folder, problem))
    return;
  Fd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  while (Fd >= 0 && flock(Fd, LOCK_EX) != 0 && errno == EINTR) {
  }
}

Lock::~Lock() {
  // Closing the file lets go of the lock.
  if (Fd >= 0)
    close(Fd);
}

}  // namespace posix_files
