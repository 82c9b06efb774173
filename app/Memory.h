// What the game keeps for its player between runs: the settings and the best uptime ever, in the
// files the platform keeps for it. Read once at the start; each written again only when what it
// says changed. None yet is a first run, said nothing of. A file the game cannot believe gives the
// defaults after one line naming it: a damaged one is moved aside (settings.damaged-<date>) and
// kept afresh, one from a newer version of the game is left as it is for that game. A file that
// cannot be written costs only the keeping.
#pragma once

#include <string>

#include "game/Kept.h"
#include "platform/Store.h"

class Memory {
public:
  // Reads both files.
  void Recall();
  const Settings& KeptSettings() const { return Now; }
  int BestEver() const { return Best; }
  // Keeps `settings`, or a best of `seconds` unless the file already holds a better one (another
  // copy of the game may have written it meanwhile).
  void Keep(const Settings& settings);
  void KeepBest(int seconds);

  // After a file `what` was refused for `problem`: a damaged one moved aside, with one line, and
  // true (it may be kept afresh); one from a newer game left as it is, with one line, and false.
  static bool SetAside(KeptFile file, const char* what, const std::string& problem);

private:
  // What one file holds as far as this run knows, and whether it may be written.
  struct File {
    KeptFile Which;
    const char* What;      // in words
    std::string Text;      // as read or last written; empty when there is none
    bool Writable = true;  // false for a file that is there but is left alone
    bool SaidFailed = false;
  };
  static void Write(File& file, const std::string& text);

  File SettingsFile{KeptFile::Settings, "settings", {}};
  File BestFile{KeptFile::Best, "best uptime", {}};
  Settings Now;
  int Best = 0;
};
