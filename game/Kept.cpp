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
constexpr int Version = 1;
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
           std::vector<std::string_view>& lines, std::string& problem) {
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
    problem = "made by a newer version of the game (version " + std::string(version) + ")";
    return false;
  }
  if (fault == Fault::Damaged || number != Version || first.size() != want.size() + 1) {
    problem = "damaged (line 1)";
    return false;
  }
  if (text.back() != '\n') {
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
