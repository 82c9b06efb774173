// The game: start-up, the title screen and the main loop.

#include "game/Render.h"

#include <cstdlib>
#include <ctime>

#include "game/Screens.h"
#include "game/Session.h"
#include "platform/Shell.h"

int Best = 0;
CBitmapFont Fnt;

bool Render() {
  GameSession session;
  session.SetFixedState();
  if (!session.LoadArt())
    return false;
  session.ClearSlots();
  StartInfo();
  // One random sequence for every choice of the run: holes, jitter, scatter, sprites.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  session.Begin(GetTime());
  while (RunLevel != 0)
    session.Frame();
  return true;
}
