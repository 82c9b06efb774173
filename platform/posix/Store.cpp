// The kept files on the desktop: Linux's XDG folders, or Windows' %APPDATA%. A file is replaced by
// writing a temporary file of its own beside it and renaming that over it, so that a reader, a
// crash or a second copy of the game finds the old text or the new one, never a part of either.
#include "platform/Store.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#endif

namespace {

// Far more than any file of ours; anything larger is not one, and is not read into memory.
constexpr std::size_t MostBytes = 64 * 1024;

}  // namespace

#ifdef _WIN32

namespace {

std::string Utf8(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? size : 0, '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                        nullptr, nullptr);
  return text;
}

// `what` 'path': and the system's words for `error`.
std::string Say(const char* what, const std::wstring& path, DWORD error) {
  wchar_t* words = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
  std::wstring reason =
      length && words ? std::wstring(words, length) : L"error " + std::to_wstring(error);
  LocalFree(words);
  while (!reason.empty() && (std::iswspace(reason.back()) || reason.back() == L'.'))
    reason.pop_back();
  return std::string(what) + " '" + Utf8(path) + "': " + Utf8(reason);
}

// The folder and the file, or false with `problem` when there is no %APPDATA%.
bool PathOf(KeptFile file, std::wstring& folder, std::wstring& path, std::string& problem) {
  const wchar_t* appData = _wgetenv(L"APPDATA");
  if (!appData || !*appData) {
    problem = "APPDATA is not set";
    return false;
  }
  folder = appData;
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
    folder.pop_back();
  folder += L"\\Sieve Rush";
  path = folder + (file == KeptFile::Settings ? L"\\settings.txt" : L"\\best.txt");
  return true;
}

// A reader or a writer may find the file held a moment by the other (a rename over a file that
// is open fails, and a file being replaced cannot be opened), by a virus scanner or by a search
// indexer: tried again for up to a second or so, GetLastError() telling the last failure.
template <typename Try>
bool Patiently(Try attempt) {
  for (int tries = 0;; ++tries) {
    if (attempt())
      return true;
    const DWORD error = GetLastError();
    if (tries == 100 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION))
      return false;
    Sleep(tries < 20 ? 1 : 10);
  }
}

bool MakeFolder(const std::wstring& folder, std::string& problem) {
  if (CreateDirectoryW(folder.c_str(), nullptr))
    return true;
  DWORD error = GetLastError();
  const std::size_t slash = folder.find_last_of(L"\\/");
  if (error == ERROR_PATH_NOT_FOUND && slash != std::wstring::npos && slash > 0) {
    if (!MakeFolder(folder.substr(0, slash), problem))
      return false;
    error = CreateDirectoryW(folder.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
  }
  if (error == ERROR_ALREADY_EXISTS) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return true;
    error = ERROR_DIRECTORY;
  }
  if (error == ERROR_SUCCESS)
    return true;
  problem = Say("cannot make the folder", folder, error);
  return false;
}

}  // namespace

std::string KeptPlace(KeptFile file) {
  std::wstring folder, path;
  std::string problem;
  if (PathOf(file, folder, path, problem))
    return Utf8(path);
  return file == KeptFile::Settings ? "%APPDATA%\\Sieve Rush\\settings.txt"
                                    : "%APPDATA%\\Sieve Rush\\best.txt";
}

KeptRead ReadKept(KeptFile file, std::string& text, std::string& problem) {
  std::wstring folder, path;
  if (!PathOf(file, folder, path, problem))
    return KeptRead::Failed;
  // Shared for deleting too, so that a writer may rename its new file over this one meanwhile.
  HANDLE handle = INVALID_HANDLE_VALUE;
  Patiently([&] {
    handle = CreateFileW(path.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle != INVALID_HANDLE_VALUE;
  });
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      return KeptRead::Missing;
    problem = Say("cannot open", path, error);
    return KeptRead::Failed;
  }
  std::string read;
  char buffer[4096];
  DWORD got = 0;
  bool ok;
  while ((ok = ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) && got > 0 &&
         read.size() <= MostBytes)
    read.append(buffer, got);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  if (!ok) {
    problem = Say("cannot read", path, error);
    return KeptRead::Failed;
  }
  if (read.size() > MostBytes) {
    problem = "too large";
    return KeptRead::Failed;
  }
  text.swap(read);
  return KeptRead::Read;
}

bool WriteKept(KeptFile file, const std::string& text, std::string& problem) {
  std::wstring folder, path;
  if (!PathOf(file, folder, path, problem) || !MakeFolder(folder, problem))
    return false;
  // A name no other writer uses: this process's id and a count of this process's writes, and a
  // name left behind by a crash is passed over.
  static std::atomic<unsigned> writes{0};
  std::wstring temp;
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_SUCCESS;
  for (int tries = 0; handle == INVALID_HANDLE_VALUE && tries < 100; ++tries) {
    temp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(writes++) +
           L".tmp";
    handle = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    error = GetLastError();
    if (handle == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS)
      break;
  }
  if (handle == INVALID_HANDLE_VALUE) {
    problem = Say("cannot make a temporary file in", folder, error);
    return false;
  }
  const char* failed = nullptr;
  for (std::size_t at = 0; !failed && at < text.size();) {
    const DWORD most = static_cast<DWORD>(std::min<std::size_t>(text.size() - at, 1 << 20));
    DWORD wrote = 0;
    if (!WriteFile(handle, text.data() + at, most, &wrote, nullptr) || wrote == 0)
      failed = "cannot write";
    at += wrote;
  }
  if (!failed && !FlushFileBuffers(handle))
    failed = "cannot write";
  error = failed ? GetLastError() : ERROR_SUCCESS;
  if (!CloseHandle(handle) && !failed)
    failed = "cannot write", error = GetLastError();
  if (failed) {
    problem = Say(failed, temp, error);
  } else if (!Patiently([&] {
               return MoveFileExW(temp.c_str(), path.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
             })) {
    failed = "cannot replace";
    problem = Say(failed, path, GetLastError());
  }
  if (failed)
    DeleteFileW(temp.c_str());
  return !failed;
}

#else

namespace {

std::string Say(const char* what, const std::string& path, int error) {
  return std::string(what) + " '" + path + "': " + std::strerror(error);
}

// The folder and the file, or false with `problem` when there is no home to put them in. A
// relative XDG folder is ignored, as the XDG base directory rules say.
bool PathOf(KeptFile file, std::string& folder, std::string& path, std::string& problem) {
  const bool settings = file == KeptFile::Settings;
  const char* xdg = std::getenv(settings ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME");
  if (xdg && xdg[0] == '/') {
    folder = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
      problem = home && home[0] ? "HOME is not an absolute path" : "HOME is not set";
      return false;
    }
    folder = std::string(home) + (settings ? "/.config" : "/.local/state");
  }
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  folder += "/sieverush";
  path = folder + (settings ? "/settings" : "/best");
  return true;
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

// The rest of `fd` into `text`, up to MostBytes; the errno of a failure, or EFBIG when larger.
int ReadAll(int fd, std::string& text) {
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
    if (text.size() > MostBytes)
      return EFBIG;
  }
}

}  // namespace

std::string KeptPlace(KeptFile file) {
  std::string folder, path, problem;
  if (PathOf(file, folder, path, problem))
    return path;
  return file == KeptFile::Settings ? "$HOME/.config/sieverush/settings"
                                    : "$HOME/.local/state/sieverush/best";
}

KeptRead ReadKept(KeptFile file, std::string& text, std::string& problem) {
  std::string folder, path;
  if (!PathOf(file, folder, path, problem))
    return KeptRead::Failed;
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
                                         : ReadAll(fd, read);
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

bool WriteKept(KeptFile file, const std::string& text, std::string& problem) {
  std::string folder, path;
  if (!PathOf(file, folder, path, problem) || !MakeFolder(folder, problem))
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

#endif
