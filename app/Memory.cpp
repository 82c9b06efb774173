#include "Memory.h"

#include <chrono>
#include <cstdio>

bool Memory::SetAside(KeptFile file, const char* what, const std::string& problem) {
  const std::string line = "sieverush: cannot use the " + std::string(what) + " in '" +
                           KeptPlace(file) + "' (" + problem + ")";
  if (MadeByNewerGame(problem)) {
    std::fprintf(stderr, "%s, left as it is for that game\n", line.c_str());
    return false;
  }
  // Named for the moment it was found damaged, in UTC, so that it sorts by date.
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::now().time_since_epoch());
  std::string aside, failed;
  if (!MoveKeptAside(file, DateText(now.count(), true), aside, failed)) {
    std::fprintf(stderr, "%s, left as it is (%s)\n", line.c_str(), failed.c_str());
    return false;
  }
  std::fprintf(stderr, "%s, moved aside to '%s'; kept afresh\n", line.c_str(), aside.c_str());
  return true;
}

void Memory::Recall() {
  for (File* file : {&SettingsFile, &BestFile}) {
    std::string problem;
    const KeptRead read = ReadKept(file->Which, file->Text, problem);
    if (read == KeptRead::Failed) {
      file->Writable = false;
      std::fprintf(stderr,
                   "sieverush: cannot read the %s in '%s' (%s), left as it is; starting from the "
                   "defaults\n",
                   file->What, KeptPlace(file->Which).c_str(), problem.c_str());
    }
    if (read != KeptRead::Read) {
      file->Text.clear();
      continue;
    }
    const bool believed = file == &SettingsFile ? ParseSettings(file->Text, Now, problem)
                                                : ParseBest(file->Text, Best, problem);
    if (!believed) {
      file->Text.clear();
      file->Writable = SetAside(file->Which, file->What, problem);
    }
  }
}

void Memory::Keep(const Settings& settings) {
  Now = settings;
  Write(SettingsFile, FormatSettings(settings));
}

void Memory::KeepBest(int seconds) {
  if (seconds <= Best)
    return;
  Best = seconds;
  // Another copy of the game may have done better since this one started.
  std::string text, problem;
  int kept = 0;
  if (BestFile.Writable && ReadKept(KeptFile::Best, text, problem) == KeptRead::Read &&
      ParseBest(text, kept, problem) && kept >= seconds)
    return;
  Write(BestFile, FormatBest(seconds));
}

void Memory::Write(File& file, const std::string& text) {
  if (!file.Writable || text == file.Text)
    return;
  std::string problem;
  if (WriteKept(file.Which, text, problem)) {
    file.Text = text;
  } else if (!file.SaidFailed) {
    file.SaidFailed = true;
    std::fprintf(stderr, "sieverush: cannot keep the %s in '%s' (%s); the game plays on\n",
                 file.What, KeptPlace(file.Which).c_str(), problem.c_str());
  }
}
