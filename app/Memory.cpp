#include "Memory.h"

#include <iostream>

// One line for a file the game starts without: none yet, or one it cannot read or believe, which
// is then left as it is.
void Memory::StartWithout(File& file, const char* why, const std::string& problem) {
  std::cerr << "sieverush: ";
  if (problem.empty()) {
    std::cerr << "no " << file.What << " kept yet in '" << KeptPlace(file.Which) << "'";
  } else {
    file.Writable = false;
    std::cerr << why << " the " << file.What << " in '" << KeptPlace(file.Which) << "' (" << problem
              << "), left as it is";
  }
  std::cerr << "; starting from the defaults\n";
}

void Memory::Recall() {
  for (File* file : {&SettingsFile, &BestFile}) {
    std::string problem;
    const KeptRead read = ReadKept(file->Which, file->Text, problem);
    if (read != KeptRead::Read) {
      file->Text.clear();
      StartWithout(*file, "cannot read", read == KeptRead::Missing ? "" : problem);
      continue;
    }
    const bool believed = file == &SettingsFile ? ParseSettings(file->Text, Now, problem)
                                                : ParseBest(file->Text, Best, problem);
    if (!believed)
      StartWithout(*file, "cannot use", problem);
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
    std::cerr << "sieverush: cannot keep the " << file.What << " in '" << KeptPlace(file.Which)
              << "' (" << problem << "); the game plays on\n";
  }
}
