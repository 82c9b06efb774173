#include "CommandLine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// A whole number from `least`, below 2^62.
bool Number(const char* text, std::uint64_t least, std::uint64_t& number) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  number = value;
  return *text >= '0' && *text <= '9' && *end == '\0' && value >= least && value < (1ULL << 62);
}

// The speeds of a watch as written on the command line, in Watch::Speeds' order.
constexpr const char* SpeedWords[] = {"0.25", "0.5", "1", "2", "4", "8"};

bool Speed(const char* text, int& speed) {
  for (int i = 0; i < int{std::size(SpeedWords)}; ++i)
    if (std::strcmp(text, SpeedWords[i]) == 0)
      speed = i;
  return speed >= 0;
}

// A watch key by name.
bool Key(const std::string& name, AppKeys& keys) {
  keys.Pause = keys.Choose = name == "space";
  keys.Faster = name == "plus";
  keys.Slower = name == "minus";
  keys.Skip = name == "right";
  keys.Back = name == "esc";
  return keys.Any();
}

bool Refuse(const std::string& what) {
  std::fprintf(stderr, "sieverush: %s\n", what.c_str());
  return false;
}

}  // namespace

bool ReadOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const int needs = option == "--shot" || option == "--press" ? 2 : 1;
    if (option != "--record" && option != "--replay" && option != "--trace" && option != "--wav" &&
        option != "--shot" && option != "--speed" && option != "--press") {
      if (options.Watch.empty() && option.rfind('-', 0) != 0)
        options.Watch = option;
      continue;
    }
    if (argc - i <= needs)
      return Refuse(option + (option == "--shot"    ? " needs a frame number and a file name"
                              : option == "--press" ? " needs a look number and a key"
                              : option == "--speed" ? " needs a speed"
                                                    : " needs a file name"));
    const char* value = argv[i + needs];
    if (option == "--record") {
      options.Record = value;
    } else if (option == "--replay") {
      options.Replay = value;
    } else if (option == "--trace") {
      options.Files.Trace = value;
    } else if (option == "--wav") {
      options.Files.Wav = value;
    } else if (option == "--speed") {
      if (!Speed(value, options.Speed))
        return Refuse(std::string("--speed is one of 0.25 0.5 1 2 4 8, not '") + value + "'");
    } else if (option == "--press") {
      Options::Press press{0, {}};
      if (!Number(argv[i + 1], 0, press.Look) || !Key(value, press.Keys))
        return Refuse("--press needs a look from 0 and one of space plus minus right esc");
      options.Presses.push_back(press);
    } else {
      WitnessFiles::Shot shot{0, value};
      if (!Number(argv[i + 1], 1, shot.Frame))
        return Refuse(std::string("--shot needs a frame number from 1, not '") + argv[i + 1] + "'");
      options.Files.Shots.push_back(shot);
    }
    i += needs;
  }
  if ((options.Files.Any() || options.Speed >= 0) && options.Replay.empty())
    return Refuse("--trace, --wav, --shot and --speed show a replay: add --replay FILE");
  if (!options.Presses.empty() && options.Speed < 0)
    return Refuse("--press is a key of a watch: add --speed S");
  return true;
}
