// The runs the game keeps for its player: the last game played, and the ten best uptimes with
// their recordings, in the state folder's runs/ ($XDG_STATE_HOME/sieverush/runs/,
// %APPDATA%\Sieve Rush\runs\, /kept/runs/ on the page, which the page keeps in IndexedDB).
//
//   last.sieverush        the last game, replaced at each game over
//   table                 the ten best: uptime, date and recording a line (game/Kept.h)
//   <date>-<uptime>s.sieverush   each best run's recording, named once and never replaced
//
// Every file is written whole beside the old one and renamed over it. A recording no entry of the
// table refers to is removed, unless it is younger than a minute and another copy of the game
// wrote it (that copy may be about to enter it). Two copies finishing at once enter both their
// runs: the table is read again, changed and written under the store's lock. What cannot be kept
// (a full disk, a folder that cannot be written, storage the page is refused) costs only that
// keeping, after one line on standard error; the game plays on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/Kept.h"

class Runs {
public:
  // How many best runs are kept.
  static constexpr std::size_t Most = 10;

  // Reads the table. None yet is a first run, said nothing of. An entry the game cannot believe,
  // or whose recording is gone, is forgotten with one line; a table that is not one at all is
  // moved aside (table.damaged-<date>), with one line, and made again from the recordings' names;
  // a table from a newer game is left as it is, and this game keeps only its last game. Where the
  // table cannot be read at all (on the page, IndexedDB refused) nothing is kept, after one line.
  void Recall();

  // Keeps a game just over: `recording`, a whole recording file (game/Replay.h), as the last
  // game, and among the ten best when its `uptime` (seconds) makes them. A run that ties one
  // already kept goes after it: the earlier stays ahead. `when` is the game over's date, seconds
  // since 1970-01-01 UTC.
  void Keep(const std::vector<unsigned char>& recording, int uptime, std::int64_t when);

  // The best runs, best first, as this copy of the game knows them (at most Most).
  const std::vector<KeptRun>& Best() const { return Table; }

  // The last game's recording, or false: none yet (silent), or it cannot be read or is not a
  // whole recording (one line).
  bool ReadLast(std::vector<unsigned char>& bytes);
  // Best()[entry]'s recording, or false after one line: it is gone or damaged, and its entry is
  // forgotten (Best() is one shorter), or it was made by a newer game and stays for that game.
  bool Read(std::size_t entry, std::vector<unsigned char>& bytes);

private:
  // Enters `mine` in the table as it is now on the disk, without the runs this copy forgot, best
  // first, ten at most; Table becomes what was written.
  void Enter(const std::vector<KeptRun>& mine);
  // Removes the recordings no entry of the table names: those this copy wrote, and those older
  // than a minute.
  void Sweep();
  // The ten best found again from the recordings' names, after the table was lost.
  void Rebuild();
  void Failed(const char* what, const std::string& place, const std::string& problem);

  std::vector<KeptRun> Table;
  std::vector<std::string> Forgotten;  // recordings of entries this copy found damaged or gone
  std::vector<std::string> Written;    // recordings this copy wrote
  bool Writable = true;  // false while the table is one of a newer game's, or none can be read
  bool Keeping = true;   // false when not even the table's place can be read: nothing is kept
  bool SaidFailed = false;
};
