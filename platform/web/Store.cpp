// The kept files in the browser: the page's localStorage, a key a file. A key's value is set whole
// at once, so a reader finds the old text or the new one. The storage may refuse (private
// browsing, a full or a forbidden storage): the script catches that and tells the reason.
#include <emscripten/emscripten.h>

#include "platform/Store.h"

namespace {

// Far more than any file of ours; anything larger is not one, and is not copied into memory.
constexpr int MostBytes = 64 * 1024;

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

}  // namespace

std::string KeptPlace(KeptFile file) {
  return std::string("the page's storage '") + Key(file) + "'";
}

KeptRead ReadKept(KeptFile file, std::string& text, std::string& problem) {
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
  int size = 0;
  if (PageKeptWrite(Key(file), text.data(), static_cast<int>(text.size()), &size) == 0)
    return true;
  problem = "the page's storage refused it (" + Take(size) + ")";
  return false;
}
