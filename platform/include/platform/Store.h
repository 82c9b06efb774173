// The files the game keeps for its player between runs. On Linux the settings live in
// $XDG_CONFIG_HOME/sieverush/ (~/.config by default), the best uptime and the runs in
// $XDG_STATE_HOME/sieverush/ (~/.local/state); on Windows all in %APPDATA%\Sieve Rush\; in the
// browser the settings and the best in the page's localStorage, the runs in the page's IndexedDB.
// The runs are a table and the recordings it names, together in the folder runs/. What the files
// say is the caller's business (game/Kept.h, game/Replay.h).
#pragma once

#include <functional>
#include <string>
#include <vector>

enum class KeptFile { Settings, Best, Runs };

// Where the file is, in words for a message: its path, or the page's storage key.
std::string KeptPlace(KeptFile file);

enum class KeptRead { Read, Missing, Failed };
// Reads the file whole into `text`. Missing: there is none yet. Failed: it is there but could not
// be read, or is far too large for one of ours; `problem` says why.
KeptRead ReadKept(KeptFile file, std::string& text, std::string& problem);

// Replaces the file with `text` whole: written to a temporary file of its own in the same folder
// (the folder made if need be), then renamed over the old one, so that a reader, a crash or a
// second copy of the game writing at the same moment finds the old file or the new one, never a
// part. False, with `problem`, when it could not; the old file is then as it was.
bool WriteKept(KeptFile file, const std::string& text, std::string& problem);

// Reads the file and replaces it with what `change` makes of it (when `change` returns true),
// while no other copy of the game changes it through here: two copies changing it at once each
// see the other's change. `change` is given how the read went and the text read.
bool ChangeKept(KeptFile file, const std::function<bool(KeptRead, std::string& text)>& change,
                std::string& problem);

// Moves a file the game cannot believe aside, to `<its name>.damaged-<stamp>` beside it (with
// "-2", "-3"... after the stamp should that be taken), so that the player may look at it and the
// game keep afresh. `aside` is the new place in words.
bool MoveKeptAside(KeptFile file, const std::string& stamp, std::string& aside,
                   std::string& problem);

// The recordings kept with the runs, beside the table, by file name: letters, digits, '-' and
// '.', as the table names them (game/Kept.h).
std::string KeptRecordingPlace(const std::string& name);
KeptRead ReadKeptRecording(const std::string& name, std::string& bytes, std::string& problem);
// Written as WriteKept writes. `fresh`: a new file that replaces none, `name` made unique first
// ("-2", "-3"... before its extension) should a file of that name be there already.
bool WriteKeptRecording(std::string& name, const std::string& bytes, bool fresh,
                        std::string& problem);
// True when it is gone, or was never there.
bool RemoveKeptRecording(const std::string& name, std::string& problem);

struct KeptRecording {
  std::string Name;
  double Age = 0;  // seconds since it was written
};
// The recordings in the runs' folder (none when there is no folder yet).
bool ListKeptRecordings(std::vector<KeptRecording>& recordings, std::string& problem);
