#include "Settings.h"

WindowPlace KeptPlace(const Memory& kept) {
  const Settings& settings = kept.KeptSettings();
  return {settings.Fullscreen, settings.Placed, settings.X,
          settings.Y,          settings.Width,  settings.Height};
}

void KeepSettings(Memory& kept, bool muted) {
  Settings settings = kept.KeptSettings();
  const WindowPlace place = CurrentPlace();
  settings.Fullscreen = place.Fullscreen;
  if (place.Placed) {
    settings.Placed = true;
    settings.X = place.X;
    settings.Y = place.Y;
    settings.Width = place.Width;
    settings.Height = place.Height;
  }
  settings.Muted = muted;
  kept.Keep(settings);
}
