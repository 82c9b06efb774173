// The kept files on Windows, all in %APPDATA%\Sieve Rush\, the runs in its runs\ folder. Paths
// are wide, so that a player's name in any script reaches the file; messages are UTF-8.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwctype>

#include "platform/Store.h"

namespace {

// Far more than any text file of ours, or any recording a game makes; anything larger is not
// one, and is not read into memory.
constexpr std::size_t MostBytes = 64 * 1024;
constexpr std::size_t MostRecordingBytes = 256u << 20;
// A name left taken by a crash, or by many copies at once, is passed over; this many are tried.
constexpr int NamesTried = 100;

std::string Utf8(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? size : 0, '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                        nullptr, nullptr);
  return text;
}

// The names the game gives its files are ASCII.
std::wstring Wide(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
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

// The game's folder, or its runs\ folder, or false with `problem` when there is no %APPDATA%.
bool FolderOf(bool runs, std::wstring& folder, std::string& problem) {
  const wchar_t* appData = _wgetenv(L"APPDATA");
  if (!appData || !*appData) {
    problem = "APPDATA is not set";
    return false;
  }
  folder = appData;
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
    folder.pop_back();
  folder += runs ? L"\\Sieve Rush\\runs" : L"\\Sieve Rush";
  return true;
}

const wchar_t* NameOf(KeptFile file) {
  return file == KeptFile::Settings ? L"settings.txt"
         : file == KeptFile::Best   ? L"best.txt"
                                    : L"table.txt";
}

bool PathOf(KeptFile file, std::wstring& folder, std::wstring& path, std::string& problem) {
  if (!FolderOf(file == KeptFile::Runs, folder, problem))
    return false;
  path = folder + L"\\" + NameOf(file);
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

KeptRead ReadPath(const std::wstring& path, std::size_t most, std::string& text,
                  std::string& problem) {
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
         read.size() <= most)
    read.append(buffer, got);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  if (!ok) {
    problem = Say("cannot read", path, error);
    return KeptRead::Failed;
  }
  if (read.size() > most) {
    problem = "too large";
    return KeptRead::Failed;
  }
  text.swap(read);
  return KeptRead::Read;
}

bool WritePath(const std::wstring& folder, const std::wstring& path, const std::string& text,
               std::string& problem) {
  if (!MakeFolder(folder, problem))
    return false;
  // A name no other writer uses: this process's id and a count of this process's writes, and a
  // name left behind by a crash is passed over.
  static std::atomic<unsigned> writes{0};
  std::wstring temp;
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_SUCCESS;
  for (int tries = 0; handle == INVALID_HANDLE_VALUE && tries < NamesTried; ++tries) {
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

// `name` with "-<number>" before its extension, for the number-th try.
std::wstring Numbered(const std::wstring& name, int number) {
  if (number < 2)
    return name;
  const std::size_t dot = name.rfind(L'.');
  const std::size_t at = dot == std::wstring::npos || dot == 0 ? name.size() : dot;
  return name.substr(0, at) + L"-" + std::to_wstring(number) + name.substr(at);
}

bool RemovePath(const std::wstring& path, std::string& problem) {
  if (Patiently([&] { return DeleteFileW(path.c_str()) != 0; }))
    return true;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
    return true;
  problem = Say("cannot remove", path, error);
  return false;
}

}  // namespace

std::string KeptPlace(KeptFile file) {
  std::wstring folder, path;
  std::string problem;
  if (PathOf(file, folder, path, problem))
    return Utf8(path);
  return Utf8(std::wstring(L"%APPDATA%\\Sieve Rush\\") +
              (file == KeptFile::Runs ? L"runs\\" : L"") + NameOf(file));
}

KeptRead ReadKept(KeptFile file, std::string& text, std::string& problem) {
  std::wstring folder, path;
  if (!PathOf(file, folder, path, problem))
    return KeptRead::Failed;
  return ReadPath(path, MostBytes, text, problem);
}

bool WriteKept(KeptFile file, const std::string& text, std::string& problem) {
  std::wstring folder, path;
  return PathOf(file, folder, path, problem) && WritePath(folder, path, text, problem);
}

bool ChangeKept(KeptFile file, const std::function<bool(KeptRead, std::string&)>& change,
                std::string& problem) {
  std::wstring folder, path;
  std::string text;
  if (!PathOf(file, folder, path, problem) || !MakeFolder(folder, problem))
    return false;
  // A lock file that only one copy of the game may have open; the others wait their turn (a
  // while, should it be held by something else; then the change goes ahead without it).
  const std::wstring lock = path + L".lock";
  HANDLE held = INVALID_HANDLE_VALUE;
  for (int tries = 0; held == INVALID_HANDLE_VALUE && tries < 3; ++tries)
    Patiently([&] {
      held = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      return held != INVALID_HANDLE_VALUE;
    });
  const KeptRead read = ReadPath(path, MostBytes, text, problem);
  const bool done = !change(read, text) || WritePath(folder, path, text, problem);
  if (held != INVALID_HANDLE_VALUE)
    CloseHandle(held);
  return done;
}

bool MoveKeptAside(KeptFile file, const std::string& stamp, std::string& aside,
                   std::string& problem) {
  std::wstring folder, path;
  if (!PathOf(file, folder, path, problem))
    return false;
  const std::wstring base = path + L".damaged-" + Wide(stamp);
  DWORD error = ERROR_ALREADY_EXISTS;
  std::wstring to;
  // Without MOVEFILE_REPLACE_EXISTING: a file moved aside before stays.
  for (int number = 1;
       number <= NamesTried && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS);
       ++number) {
    to = number < 2 ? base : base + L"-" + std::to_wstring(number);
    error = Patiently([&] { return MoveFileExW(path.c_str(), to.c_str(), 0) != 0; })
                ? ERROR_SUCCESS
                : GetLastError();
  }
  aside = Utf8(to);
  // Gone meanwhile: another copy of the game moved it.
  if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND)
    return true;
  problem = Say("cannot move aside", path, error);
  return false;
}

std::string KeptRecordingPlace(const std::string& name) {
  std::wstring folder;
  std::string problem;
  return (FolderOf(true, folder, problem) ? Utf8(folder) : "%APPDATA%\\Sieve Rush\\runs") + "\\" +
         name;
}

KeptRead ReadKeptRecording(const std::string& name, std::string& bytes, std::string& problem) {
  std::wstring folder;
  if (!FolderOf(true, folder, problem))
    return KeptRead::Failed;
  return ReadPath(folder + L"\\" + Wide(name), MostRecordingBytes, bytes, problem);
}

bool WriteKeptRecording(std::string& name, const std::string& bytes, bool fresh,
                        std::string& problem) {
  std::wstring folder, unusedPath;
  std::string unused;
  if (!FolderOf(true, folder, problem) || !MakeFolder(folder, problem))
    return false;
  std::wstring mine = Wide(name);
  if (fresh) {
    // The name claimed by making it, empty, where no file has it yet.
    DWORD error = ERROR_FILE_EXISTS;
    const std::wstring wanted = mine;
    for (int number = 1; number <= NamesTried && error == ERROR_FILE_EXISTS; ++number) {
      mine = Numbered(wanted, number);
      const HANDLE handle = CreateFileW((folder + L"\\" + mine).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
      if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    }
    if (error != ERROR_SUCCESS) {
      problem = Say("cannot make a file in", folder, error);
      return false;
    }
    name = Utf8(mine);
  }
  if (WritePath(folder, folder + L"\\" + mine, bytes, problem))
    return true;
  if (fresh)
    RemovePath(folder + L"\\" + mine, unused);
  return false;
}

bool RemoveKeptRecording(const std::string& name, std::string& problem) {
  std::wstring folder;
  return FolderOf(true, folder, problem) && RemovePath(folder + L"\\" + Wide(name), problem);
}

bool ListKeptRecordings(std::vector<KeptRecording>& recordings, std::string& problem) {
  recordings.clear();
  std::wstring folder;
  if (!FolderOf(true, folder, problem))
    return false;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*.sieverush").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      return true;
    problem = Say("cannot list", folder, error);
    return false;
  }
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      recordings.push_back(
          {Utf8(found.cFileName),
           // FILETIME counts 100 ns.
           (static_cast<double>(ticks(now)) - ticks(found.ftLastWriteTime)) / 1e7});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}
