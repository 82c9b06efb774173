// The kept files' text (game/Kept.h). The writer writes one spelling of each value; the reader
// takes that spelling, in any order of lines and with Windows line ends too, and refuses anything
// else whole, so that a damaged or foreign file is never half believed.

#include "game/Kept.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view SettingsKind = "Sieve Rush settings";
constexpr std::string_view BestKind = "Sieve Rush best";
constexpr std::string_view RunsKind = "Sieve Rush runs";
constexpr int Version = 1;
constexpr std::string_view NewerGame = "made by a newer version of the game";
// Far more than either file needs; anything larger is not one of ours.
constexpr std::size_t MostBytes = 4096;

// Why a line is refused: its fields are not what the line takes, or a value is out of range.
enum class Fault { None, Damaged, Range };

// A field in plain decimal: digits without a sign (or with a minus where `signed_`), no leading
// zero but in "0" itself, no "-0". Within [lo, hi], or Range; not such a number, Damaged.
Fault Number(std::string_view field, bool signed_, std::int64_t lo, std::int64_t hi, int& out) {
  const bool minus = signed_ && !field.empty() && field[0] == '-';
  const std::string_view digits = field.substr(minus ? 1 : 0);
  if (digits.empty() || (digits[0] == '0' && (digits.size() > 1 || minus)))
    return Fault::Damaged;
  for (char c : digits)
    if (c < '0' || c > '9')
      return Fault::Damaged;
  // Ten digits or fewer fit an int64 with room; more are out of any range here.
  if (digits.size() > 10)
    return Fault::Range;
  std::int64_t value = 0;
  for (char c : digits)
    value = value * 10 + (c - '0');
  if (minus)
    value = -value;
  if (value < lo || value > hi)
    return Fault::Range;
  out = static_cast<int>(value);
  return Fault::None;
}

// The fields of a line: separated by single spaces, none empty.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t at = 0;;) {
    const std::size_t space = line.find(' ', at);
    fields.push_back(line.substr(at, space - at));
    if (space == std::string_view::npos)
      return fields;
    at = space + 1;
  }
}

// The lines of a whole file, each without its "\n" or "\r\n", after a first line naming `kind`
// at version 1. `lines` holds them all, the first included, so that lines[i] is line i + 1. False
// with `problem` for a file that is not such a file whole.
bool Lines(const std::string& text, std::string_view kind, std::string_view name,
           std::vector<std::string_view>& lines, std::string& problem, bool wholeOnly = true) {
  std::string_view rest = text;
  // Notepad of old began its UTF-8 files with a byte order mark.
  if (rest.substr(0, 3) == "\xEF\xBB\xBF")
    rest.remove_prefix(3);
  if (rest.empty()) {
    problem = "empty";
    return false;
  }
  if (text.size() > MostBytes) {
    problem = "too large";
    return false;
  }
  for (;;) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos || end + 1 == rest.size())
      break;
    rest.remove_prefix(end + 1);
  }
  const std::vector<std::string_view> first = Fields(lines[0]);
  const std::vector<std::string_view> want = Fields(kind);
  if (first.size() < want.size() || !std::equal(want.begin(), want.end(), first.begin())) {
    problem = "not a Sieve Rush " + std::string(name) + " file";
    return false;
  }
  // A newer game may change anything after its version, the rest of this line included.
  const std::string_view version = first.size() > want.size() ? first[want.size()] : "";
  int number = 0;
  const Fault fault = Number(version, false, 0, Version, number);
  if (fault == Fault::Range) {
    problem = std::string(NewerGame) + " (version " + std::string(version) + ")";
    return false;
  }
  if (fault == Fault::Damaged || number != Version || first.size() != want.size() + 1) {
    problem = "damaged (line 1)";
    return false;
  }
  if (text.back() != '\n' && (wholeOnly || lines.size() == 1)) {
    problem = "cut short";
    return false;
  }
  return true;
}

bool Refuse(Fault fault, std::size_t index, std::string& problem) {
  problem = std::string(fault == Fault::Range ? "out of range" : "damaged") + " (line " +
            std::to_string(index + 1) + ")";
  return false;
}

}  // namespace

std::string FormatSettings(const Settings& settings) {
  std::string text = std::string(SettingsKind) + " " + std::to_string(Version) + "\n";
  const auto near = [](int v) { return v >= -FarthestPlace && v <= FarthestPlace; };
  const auto size = [](int v) { return v >= 1 && v <= FarthestPlace; };
  // A place the reader would refuse is not kept, rather than losing the rest with it.
  if (settings.Placed && near(settings.X) && near(settings.Y) && size(settings.Width) &&
      size(settings.Height))
    text += "window " + std::to_string(settings.X) + " " + std::to_string(settings.Y) + " " +
            std::to_string(settings.Width) + " " + std::to_string(settings.Height) + "\n";
  text += std::string("fullscreen ") + (settings.Fullscreen ? "yes" : "no") + "\n";
  text += std::string("sound ") + (settings.Muted ? "off" : "on") + "\n";
  return text;
}

bool ParseSettings(const std::string& text, Settings& out, std::string& problem) {
  std::vector<std::string_view> lines;
  if (!Lines(text, SettingsKind, "settings", lines, problem))
    return false;
  Settings read;
  bool seenWindow = false, seenFullscreen = false, seenSound = false;
  // A yes/no field: `yes` or `no` spelled as given, into `value`.
  const auto choice = [](std::string_view field, std::string_view yes, std::string_view no,
                         bool& value) {
    value = field == yes;
    return field == yes || field == no;
  };
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string_view> f = Fields(lines[i]);
    Fault fault = Fault::None;
    if (f[0] == "window" && !seenWindow && f.size() == 5) {
      seenWindow = read.Placed = true;
      // Each field's fault in turn; a damaged field outweighs a range.
      const Fault faults[] = {Number(f[1], true, -FarthestPlace, FarthestPlace, read.X),
                              Number(f[2], true, -FarthestPlace, FarthestPlace, read.Y),
                              Number(f[3], true, 1, FarthestPlace, read.Width),
                              Number(f[4], true, 1, FarthestPlace, read.Height)};
      for (Fault each : faults)
        if (each != Fault::None && fault != Fault::Damaged)
          fault = each;
    } else if (f[0] == "fullscreen" && !seenFullscreen && f.size() == 2) {
      seenFullscreen = true;
      fault = choice(f[1], "yes", "no", read.Fullscreen) ? Fault::None : Fault::Damaged;
    } else if (f[0] == "sound" && !seenSound && f.size() == 2) {
      seenSound = true;
      bool on = true;
      fault = choice(f[1], "on", "off", on) ? Fault::None : Fault::Damaged;
      read.Muted = !on;
    } else {
      fault = Fault::Damaged;
    }
    if (fault != Fault::None)
      return Refuse(fault, i, problem);
  }
  out = read;
  return true;
}

std::string FormatBest(int seconds) {
  // The reader's range, so that the file written is one it takes.
  const int kept = seconds < 0 ? 0 : seconds > MostBest ? MostBest : seconds;
  return std::string(BestKind) + " " + std::to_string(Version) + "\nbest " + std::to_string(kept) +
         "\n";
}

bool ParseBest(const std::string& text, int& seconds, std::string& problem) {
  std::vector<std::string_view> lines;
  if (!Lines(text, BestKind, "best uptime", lines, problem))
    return false;
  int best = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string_view> f = Fields(lines[i]);
    const Fault fault = f[0] != "best" || f.size() != 2 || i != 1
                            ? Fault::Damaged
                            : Number(f[1], true, 0, MostBest, best);
    if (fault != Fault::None)
      return Refuse(fault, i, problem);
  }
  if (lines.size() < 2) {
    problem = "damaged (no best line)";
    return false;
  }
  seconds = best;
  return true;
}

bool MadeByNewerGame(const std::string& problem) {
  return std::string_view(problem).substr(0, NewerGame.size()) == NewerGame;
}

namespace {

// The table's dates: to the end of the year 9999, so that every date is written in four digits.
constexpr std::int64_t LastDate = 253402300799;
constexpr std::int64_t SecondsADay = 86400;
// A recording's name: short, and only what every file system takes, so that a name from the table
// can never reach outside the runs' folder.
constexpr std::size_t LongestName = 64;
constexpr std::string_view RecordingEnd = ".sieverush";

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back (the civil-date
// arithmetic of Howard Hinnant's date algorithms: a year counted from March, so that February's
// length comes last).
std::int64_t DaysOf(int year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = year / 400;
  const int yearOfEra = static_cast<int>(year - era * 400);
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void DateOf(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = days / 146097;
  const int dayOfEra = static_cast<int>(days - era * 146097);
  const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<int>(yearOfEra + era * 400) + (month <= 2);
}

// `width` digits of `value`, zeros in front.
std::string Digits(int value, int width) {
  std::string text = std::to_string(value);
  return std::string(width - std::min<std::size_t>(text.size(), width), '0') + text;
}

// A date as DateText writes it, not compact: each field in range, the day within its month.
bool ReadDate(std::string_view text, std::int64_t& when) {
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || text[19] != 'Z')
    return false;
  int field[6];
  const int at[] = {0, 5, 8, 11, 14, 17}, width[] = {4, 2, 2, 2, 2, 2};
  for (int i = 0; i < 6; ++i) {
    field[i] = 0;
    for (char c : text.substr(at[i], width[i])) {
      if (c < '0' || c > '9')
        return false;
      field[i] = field[i] * 10 + (c - '0');
    }
  }
  const auto& [year, month, day, hour, minute, second] = field;
  if (year < 1970 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
    return false;
  // The day within its month: the first of the next month is a later day.
  if (day > 28 && DaysOf(year, month, day) >= DaysOf(year + (month == 12), month % 12 + 1, 1))
    return false;
  when = DaysOf(year, month, day) * SecondsADay + hour * 3600 + minute * 60 + second;
  return true;
}

bool GoodName(std::string_view name) {
  if (name.size() <= RecordingEnd.size() || name.size() > LongestName || name[0] == '.' ||
      name.substr(name.size() - RecordingEnd.size()) != RecordingEnd)
    return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
          c == '.'))
      return false;
  return true;
}

}  // namespace

std::string DateText(std::int64_t when, bool compact) {
  when = std::clamp<std::int64_t>(when, 0, LastDate);
  int year, month, day;
  DateOf(when / SecondsADay, year, month, day);
  const int seconds = static_cast<int>(when % SecondsADay);
  const char* const marks[] = {"-", "-", "T", ":", ":"};
  std::string text = Digits(year, 4);
  const int fields[] = {month, day, seconds / 3600, seconds / 60 % 60, seconds % 60};
  for (int i = 0; i < 5; ++i)
    text += (compact && i != 2 ? "" : marks[i]) + Digits(fields[i], 2);
  if (!compact)
    text += 'Z';
  return text;
}

std::string FormatRuns(const std::vector<KeptRun>& runs) {
  std::string text = std::string(RunsKind) + " " + std::to_string(Version) + "\n";
  // A run the reader would refuse is not written, rather than written to be refused.
  for (const KeptRun& run : runs)
    if (run.Uptime >= 0 && run.Uptime <= MostBest && run.When >= 0 && run.When <= LastDate &&
        GoodName(run.Name))
      text += "run " + std::to_string(run.Uptime) + " " + DateText(run.When, false) + " " +
              run.Name + "\n";
  return text;
}

bool ParseRuns(const std::string& text, std::vector<KeptRun>& runs,
               std::vector<std::string>& dropped, std::string& problem) {
  std::vector<std::string_view> lines;
  if (!Lines(text, RunsKind, "runs", lines, problem, false))
    return false;
  std::vector<KeptRun> read;
  std::vector<std::string> said;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string_view> f = Fields(lines[i]);
    KeptRun run;
    Fault fault = f.size() != 4 || f[0] != "run" ? Fault::Damaged
                                                 : Number(f[1], false, 0, MostBest, run.Uptime);
    if (fault == Fault::None && (!ReadDate(f[2], run.When) || !GoodName(f[3])))
      fault = Fault::Damaged;
    if (fault == Fault::None)
      run.Name = f[3];
    // The last line without its line end: cut short as it was written.
    const bool cut = i + 1 == lines.size() && text.back() != '\n';
    const bool twice =
        std::any_of(read.begin(), read.end(), [&](const KeptRun& r) { return r.Name == run.Name; });
    if (fault == Fault::None && !cut && !twice) {
      read.push_back(run);
      continue;
    }
    std::string why;
    Refuse(fault == Fault::None ? Fault::Damaged : fault, i, why);
    said.push_back(cut && fault == Fault::None ? "cut short (line " + std::to_string(i + 1) + ")"
                                               : why);
  }
  runs.swap(read);
  dropped.swap(said);
  return true;
}

std::string RunName(int uptime, std::int64_t when) {
  return DateText(when, true) + "-" + std::to_string(uptime) + "s" + std::string(RecordingEnd);
}

bool ReadRunName(const std::string& name, KeptRun& run) {
  // The compact date's 15 characters, '-', at least "0s", and the extension.
  if (!GoodName(name) || name.size() < 18 + RecordingEnd.size() || name[8] != 'T' ||
      name[15] != '-')
    return false;
  const std::string date = name.substr(0, 4) + "-" + name.substr(4, 2) + "-" + name.substr(6, 2) +
                           "T" + name.substr(9, 2) + ":" + name.substr(11, 2) + ":" +
                           name.substr(13, 2) + "Z";
  const std::string_view rest =
      std::string_view(name).substr(16, name.size() - 16 - RecordingEnd.size());
  const std::size_t s = rest.find('s');
  KeptRun read{0, 0, name};
  if (!ReadDate(date, read.When) || s == std::string_view::npos ||
      Number(rest.substr(0, s), false, 0, MostBest, read.Uptime) != Fault::None ||
      (s + 1 != rest.size() && rest[s + 1] != '-'))
    return false;
  run = read;
  return true;
}
