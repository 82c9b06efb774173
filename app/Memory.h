// What the game keeps for its player between runs: the settings and the best uptime ever, in the
// files the platform keeps for it. Read once at the start; each written again only when what it
// says changed. A file that cannot be believed gives the defaults after one line naming it, and
// is left as it is for the player to see; a file that cannot be written costs only the keeping.
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

private:
  // What one file holds as far as this run knows, and whether it may be written.
  struct File {
    KeptFile Which;
    const char* What;      // in words
    std::string Text;      // as read or last written; empty when there is none
    bool Writable = true;  // false for a file that is there but was refused: it is left alone
    bool SaidFailed = false;
  };
  static void StartWithout(File& file, const char* why, const std::string& problem);
  static void Write(File& file, const std::string& text);

  File SettingsFile{KeptFile::Settings, "settings", {}};
  File BestFile{KeptFile::Best, "best uptime", {}};
  Settings Now;
  int Best = 0;
};
