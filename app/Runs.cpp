#include "Runs.h"

#include <algorithm>
#include <cstdio>

#include "Memory.h"
#include "game/Replay.h"
#include "platform/Store.h"

namespace {

// The last game's file, replaced at each game over; never one of the best runs'.
constexpr const char* LastName = "last.sieverush";
// A recording no entry names may be one another copy of the game wrote a moment ago and is about
// to enter: it is left alone for this many seconds.
constexpr double YoungSeconds = 60;

void Say(const std::string& line) {
  std::fprintf(stderr, "sieverush: %s\n", line.c_str());
}

// A run in words for a message.
std::string Named(const KeptRun& run) {
  return "the run of " + std::to_string(run.Uptime) + " seconds of " + DateText(run.When, false);
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Whether `bytes` are a whole recording; `problem` says why not.
bool Whole(const std::string& bytes, std::string& problem) {
  Replay replay;
  return ParseReplay(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), replay,
                     problem);
}

}  // namespace

void Runs::Recall() {
  Table.clear();
  std::string text, problem;
  std::vector<std::string> dropped;
  const KeptRead read = ReadKept(KeptFile::Runs, text, problem);
  if (read == KeptRead::Missing)
    return;
  std::vector<KeptRun> runs;
  // Nothing is kept where nothing can be read (on the page, IndexedDB refused): one line says so.
  if (read == KeptRead::Failed) {
    Writable = Keeping = false;
    Say("cannot read the best runs in '" + KeptPlace(KeptFile::Runs) + "' (" + problem +
        "); no runs are kept");
    return;
  }
  if (!ParseRuns(text, runs, dropped, problem)) {
    Writable = Memory::SetAside(KeptFile::Runs, "best runs", problem);
    if (Writable)
      Rebuild();
    return;
  }
  for (const std::string& why : dropped)
    Say("forgot a best run in '" + KeptPlace(KeptFile::Runs) + "' (" + why + ")");
  // An entry whose recording is gone cannot be watched.
  std::vector<KeptRecording> there;
  if (ListKeptRecordings(there, problem))
    for (const KeptRun& run : runs)
      if (std::none_of(there.begin(), there.end(),
                       [&](const KeptRecording& r) { return r.Name == run.Name; })) {
        Say("forgot " + Named(run) + ": its recording '" + KeptRecordingPlace(run.Name) +
            "' is gone");
        Forgotten.push_back(run.Name);
      }
  for (const KeptRun& run : runs)
    if (!Has(Forgotten, run.Name))
      Table.push_back(run);
  // Written again without what was forgotten, so that each is said once.
  if (!dropped.empty() || !Forgotten.empty())
    Enter({});
}

void Runs::Keep(const std::vector<unsigned char>& recording, int uptime, std::int64_t when) {
  if (!Keeping)
    return;
  const std::string bytes(recording.begin(), recording.end());
  std::string problem, last = LastName;
  if (!WriteKeptRecording(last, bytes, false, problem))
    Failed("the last game", KeptRecordingPlace(LastName), problem);
  if (!Writable)
    return;
  // Ahead of the tenth, or one of fewer than ten: a tie goes after those kept.
  if (Table.size() < Most || uptime > Table.back().Uptime) {
    KeptRun mine{uptime, when, RunName(uptime, when)};
    if (WriteKeptRecording(mine.Name, bytes, true, problem)) {
      Written.push_back(mine.Name);
      Enter({mine});
    } else {
      Failed("a best run", KeptRecordingPlace(mine.Name), problem);
    }
  }
  Sweep();
}

bool Runs::ReadLast(std::vector<unsigned char>& bytes) {
  std::string read, problem;
  const KeptRead got = ReadKeptRecording(LastName, read, problem);
  if (got == KeptRead::Missing)
    return false;
  if (got == KeptRead::Failed || !Whole(read, problem)) {
    Say("cannot watch the last game in '" + KeptRecordingPlace(LastName) + "' (" + problem + ")");
    return false;
  }
  bytes.assign(read.begin(), read.end());
  return true;
}

bool Runs::Read(std::size_t entry, std::vector<unsigned char>& bytes) {
  if (entry >= Table.size())
    return false;
  const KeptRun run = Table[entry];
  std::string read, problem;
  const KeptRead got = ReadKeptRecording(run.Name, read, problem);
  if (got == KeptRead::Read && Whole(read, problem)) {
    bytes.assign(read.begin(), read.end());
    return true;
  }
  // A recording that cannot be read now, or is a newer game's, stays as it is.
  const bool gone =
      got == KeptRead::Missing || (got == KeptRead::Read && !MadeByNewerGame(problem));
  Say("cannot watch " + Named(run) + " in '" + KeptRecordingPlace(run.Name) + "' (" +
      (got == KeptRead::Missing ? "it is gone" : problem) + ")" +
      (gone ? "; it is forgotten" : ""));
  if (gone) {
    Forgotten.push_back(run.Name);
    Table.erase(Table.begin() + static_cast<std::ptrdiff_t>(entry));
    Enter({});
    Sweep();
  }
  return false;
}

void Runs::Enter(const std::vector<KeptRun>& mine) {
  if (!Writable)
    return;
  bool damaged = false;
  std::string problem;
  const auto change = [&](KeptRead read, std::string& text) {
    std::vector<KeptRun> runs;
    std::vector<std::string> dropped;
    std::string refused;
    if (read == KeptRead::Failed)
      return false;
    if (read == KeptRead::Read && !ParseRuns(text, runs, dropped, refused)) {
      // Another game's since this one read it, or damaged since: not written over.
      damaged = !MadeByNewerGame(refused);
      Writable = damaged;
      problem = refused;
      return false;
    }
    runs.erase(std::remove_if(runs.begin(), runs.end(),
                              [&](const KeptRun& run) { return Has(Forgotten, run.Name); }),
               runs.end());
    for (const KeptRun& run : mine)
      if (std::none_of(runs.begin(), runs.end(),
                       [&](const KeptRun& r) { return r.Name == run.Name; }))
        runs.push_back(run);
    // Best first; a tie keeps the order the table had, the run just over last.
    std::stable_sort(runs.begin(), runs.end(),
                     [](const KeptRun& a, const KeptRun& b) { return a.Uptime > b.Uptime; });
    if (runs.size() > Most)
      runs.resize(Most);
    Table = runs;
    text = FormatRuns(runs);
    return true;
  };
  if (!ChangeKept(KeptFile::Runs, change, problem)) {
    Failed("the best runs", KeptPlace(KeptFile::Runs), problem);
  } else if (damaged) {
    // Damaged since this copy read it: moved aside, and this copy's table written afresh.
    const std::vector<KeptRun> known = Table;
    Writable = Memory::SetAside(KeptFile::Runs, "best runs", problem);
    if (Writable && !ChangeKept(
                        KeptFile::Runs,
                        [&](KeptRead, std::string& text) {
                          text = FormatRuns(Table = known);
                          return true;
                        },
                        problem))
      Failed("the best runs", KeptPlace(KeptFile::Runs), problem);
  }
}

void Runs::Rebuild() {
  std::vector<KeptRecording> there;
  std::string problem;
  if (!ListKeptRecordings(there, problem))
    return;
  // In the order of their dates, so that of a tie the earlier stays ahead.
  std::vector<KeptRun> found;
  KeptRun run;
  for (const KeptRecording& recording : there)
    if (ReadRunName(recording.Name, run))
      found.push_back(run);
  std::sort(found.begin(), found.end(), [](const KeptRun& a, const KeptRun& b) {
    return a.When != b.When ? a.When < b.When : a.Name < b.Name;
  });
  if (found.empty())
    return;
  Enter(found);
  Say("found " + std::to_string(Table.size()) + " best runs again from their recordings");
}

void Runs::Sweep() {
  // The table as it is now: another copy may have entered runs, or pushed this one's out.
  std::vector<KeptRecording> there;
  std::vector<KeptRun> runs;
  std::vector<std::string> dropped;
  std::string text, problem;
  if (!Writable || ReadKept(KeptFile::Runs, text, problem) != KeptRead::Read ||
      !ParseRuns(text, runs, dropped, problem) || !ListKeptRecordings(there, problem))
    return;
  for (const KeptRecording& recording : there) {
    const bool entered = std::any_of(
        runs.begin(), runs.end(), [&](const KeptRun& run) { return run.Name == recording.Name; });
    if (recording.Name != LastName && !entered &&
        (recording.Age >= YoungSeconds || Has(Written, recording.Name)))
      RemoveKeptRecording(recording.Name, problem);
  }
}

void Runs::Failed(const char* what, const std::string& place, const std::string& problem) {
  if (SaidFailed)
    return;
  SaidFailed = true;
  Say("cannot keep " + std::string(what) + " in '" + place + "' (" + problem +
      "); the game plays on");
}
