// The kept files' operations on a POSIX file system by path: Linux's, and emscripten's in the
// page, whose runs' folder is a POSIX folder kept in IndexedDB. Each platform's Store.cpp says
// where the files are.
#pragma once

#include <string>
#include <vector>

#include "platform/Store.h"

namespace posix_files {

// Reads the file at `path` whole, up to `most` bytes (more is "too large").
KeptRead Read(const std::string& path, std::size_t most, std::string& text, std::string& problem);
// Replaces the file at `path`, in `folder` (made if need be), with `text`: a temporary file of its
// own beside it, written, flushed to the disk, then renamed over the old one.
bool Write(const std::string& folder, const std::string& path, const std::string& text,
           std::string& problem);
// Makes `folder/name` a new empty file, changing `name` ("-2", "-3"... before its extension)
// until it names no file there.
bool Claim(const std::string& folder, std::string& name, std::string& problem);
// Renames `path` to `path.damaged-<stamp>`, or with "-2", "-3"... after the stamp, never over a
// file; `aside` the new path.
bool MoveAside(const std::string& path, const std::string& stamp, std::string& aside,
               std::string& problem);
bool Remove(const std::string& path, std::string& problem);
// The files in `folder` whose names end in `ending`, and their ages.
bool List(const std::string& folder, const std::string& ending, std::vector<KeptRecording>& files,
          std::string& problem);

// Holds `path`.lock (made in `folder` if need be) for as long as it lives, while any other copy of
// the game holding it waits; where it cannot be held it holds nothing, and the change goes ahead
// as a plain read and write would.
class Lock {
public:
  Lock(const std::string& folder, const std::string& path);
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

private:
  int Fd = -1;
};

}  // namespace posix_files
