// The files the game keeps for its player between runs. On Linux the settings live in
// $XDG_CONFIG_HOME/sieverush/ (~/.config by default) and the best uptime in
// $XDG_STATE_HOME/sieverush/ (~/.local/state); on Windows both in %APPDATA%\Sieve Rush\; in the
// browser in the page's localStorage. What the files say is the caller's business (game/Kept.h).
#pragma once

#include <string>

enum class KeptFile { Settings, Best };

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
