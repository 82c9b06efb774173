// The kept files in the browser. The settings and the best in the page's localStorage, a key a
// file: a key's value is set whole at once, so a reader finds the old text or the new one. The
// storage may refuse (private browsing, a full or a forbidden storage): the script catches that
// and tells the reason. The runs in /kept/runs/, a folder of emscripten's file system that the
// page keeps in IndexedDB (platform/web/Store.js): written there as on Linux, then pushed to
// IndexedDB.
#include <emscripten/emscripten.h>

#include "platform/Store.h"
#include "posix/Files.h"

namespace {

// Far more than any text file of ours, or any recording a game makes; anything larger is not
// one, and is not copied into memory.
constexpr int MostBytes = 64 * 1024;
constexpr std::size_t MostRecordingBytes = 256u << 20;
constexpr const char* RunsFolder = "/kept/runs";

// Each call leaves its text, or the reason it failed, as UTF-8 bytes with the page
// (Module.keptBytes) and their count in *size, for PageKeptTake to copy. Read: 0 read, 1 missing,
// 2 failed, 3 too large; write: 0 written, 2 failed. The text written must be UTF-8, so that it
// reads back the same bytes.
EM_JS(int, PageKeptRead, (const char* key, int most, int* size), {
  var text, result = 0;
  try {
    text = localStorage.getItem(UTF8ToString(key));
    if (text == null)
      return 1;
  } catch (e) {
    text = String(e && e.name || e);
    result = 2;
  }
  var bytes = new TextEncoder().encode(text);
  if (result == 0 && bytes.length > most) {
    bytes = new Uint8Array(0);
    result = 3;
  }
  Module.keptBytes = bytes;
  HEAP32[size >> 2] = bytes.length;
  return result;
});
EM_JS(int, PageKeptWrite, (const char* key, const char* text, int length, int* size), {
  try {
    var decoder = new TextDecoder("utf-8", {fatal : true});
    localStorage.setItem(UTF8ToString(key), decoder.decode(HEAPU8.subarray(text, text + length)));
    return 0;
  } catch (e) {
    Module.keptBytes = new TextEncoder().encode(String(e && e.name || e));
    HEAP32[size >> 2] = Module.keptBytes.length;
    return 2;
  }
});
// 0 moved, 1 missing, 2 failed (the reason left as PageKeptRead leaves it).
EM_JS(int, PageKeptMove, (const char* from, const char* to, int* size), {
  try {
    var text = localStorage.getItem(UTF8ToString(from));
    if (text == null)
      return 1;
    localStorage.setItem(UTF8ToString(to), text);
    localStorage.removeItem(UTF8ToString(from));
    return 0;
  } catch (e) {
    Module.keptBytes = new TextEncoder().encode(String(e && e.name || e));
    HEAP32[size >> 2] = Module.keptBytes.length;
    return 2;
  }
});
// Why the runs cannot be kept in IndexedDB, as PageKeptRead leaves text; 0 when they can.
EM_JS(int, PageRunsRefused, (int* size), {
  if (!Module.keptRefused)
    return 0;
  Module.keptBytes = new TextEncoder().encode(Module.keptRefused);
  HEAP32[size >> 2] = Module.keptBytes.length;
  return 1;
});
EM_JS(void, PageRunsPush, (), { Module.keptPush(); });
EM_JS(void, PageKeptTake, (char* into), {
  HEAPU8.set(Module.keptBytes, into);
  Module.keptBytes = null;
});

const char* Key(KeptFile file) {
  return file == KeptFile::Settings ? "sieverush/settings" : "sieverush/best";
}

std::string Take(int size) {
  std::string bytes(static_cast<std::size_t>(size), '\0');
  PageKeptTake(bytes.data());
  return bytes;
}

// False, with `problem`, when the page keeps no runs.
bool RunsKept(std::string& problem) {
  int size = 0;
  if (!PageRunsRefused(&size))
    return true;
  problem = "the page's storage for runs is refused (" + Take(size) + ")";
  return false;
}

// What was written or removed in the runs' folder, to IndexedDB; `done` passed on.
bool Pushed(bool done) {
  if (done)
    PageRunsPush();
  return done;
}

std::string RunPath(const std::string& name) {
  return std::string(RunsFolder) + "/" + name;
}

}  // namespace

std::string KeptPlace(KeptFile file) {
  if (file == KeptFile::Runs)
    return RunPath("table");
  return std::string("the page's storage '") + Key(file) + "'";
}

KeptRead ReadKept(KeptFile file, std::string& text, std::string& problem) {
  if (file == KeptFile::Runs)
    return RunsKept(problem) ? posix_files::Read(RunPath("table"), MostBytes, text, problem)
                             : KeptRead::Failed;
  int size = 0;
  const int result = PageKeptRead(Key(file), MostBytes, &size);
  if (result == 1)
    return KeptRead::Missing;
  std::string bytes = Take(size);
  if (result == 0) {
    text.swap(bytes);
    return KeptRead::Read;
  }
  problem = result == 3 ? "too large" : "the page's storage cannot be read (" + bytes + ")";
  return KeptRead::Failed;
}

bool WriteKept(KeptFile file, const std::string& text, std::string& problem) {
  if (file == KeptFile::Runs)
    return RunsKept(problem) &&
           Pushed(posix_files::Write(RunsFolder, RunPath("table"), text, problem));
  int size = 0;
  if (PageKeptWrite(Key(file), text.data(), static_cast<int>(text.size()), &size) == 0)
    return true;
  problem = "the page's storage refused it (" + Take(size) + ")";
  return false;
}

// The page runs one copy of the game in a tab, on one thread; two tabs share the storage, but not
// the runs' folder, each filling its own from IndexedDB at its start.
bool ChangeKept(KeptFile file, const std::function<bool(KeptRead, std::string&)>& change,
                std::string& problem) {
  std::string text;
  const KeptRead read = ReadKept(file, text, problem);
  return !change(read, text) || WriteKept(file, text, problem);
}

bool MoveKeptAside(KeptFile file, const std::string& stamp, std::string& aside,
                   std::string& problem) {
  if (file == KeptFile::Runs)
    return RunsKept(problem) &&
           Pushed(posix_files::MoveAside(RunPath("table"), stamp, aside, problem));
  const std::string to = std::string(Key(file)) + ".damaged-" + stamp;
  int size = 0;
  const int result = PageKeptMove(Key(file), to.c_str(), &size);
  aside = "the page's storage '" + to + "'";
  if (result != 2)
    return true;
  problem = "the page's storage refused it (" + Take(size) + ")";
  return false;
}

std::string KeptRecordingPlace(const std::string& name) {
  return RunPath(name);
}

KeptRead ReadKeptRecording(const std::string& name, std::string& bytes, std::string& problem) {
  return RunsKept(problem) ? posix_files::Read(RunPath(name), MostRecordingBytes, bytes, problem)
                           : KeptRead::Failed;
}

bool WriteKeptRecording(std::string& name, const std::string& bytes, bool fresh,
                        std::string& problem) {
  std::string unused;
  if (!RunsKept(problem) || (fresh && !posix_files::Claim(RunsFolder, name, problem)))
    return false;
  if (Pushed(posix_files::Write(RunsFolder, RunPath(name), bytes, problem)))
    return true;
  if (fresh)
    posix_files::Remove(RunPath(name), unused);
  return false;
}

bool RemoveKeptRecording(const std::string& name, std::string& problem) {
  return RunsKept(problem) && Pushed(posix_files::Remove(RunPath(name), problem));
}

bool ListKeptRecordings(std::vector<KeptRecording>& recordings, std::string& problem) {
  return RunsKept(problem) && posix_files::List(RunsFolder, ".sieverush", recordings, problem);
}
