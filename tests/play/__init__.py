"""Plays the real Sieve Rush on the X server of $DISPLAY (run it under scripts/with-x.sh) and
checks what a player sees and what the game does: pixels, exit status, output, files written.

  play.py native GAME ARTDIR           the game, run in a fresh folder holding the art
  play.py install BUILDDIR             installed into a prefix, started by name from elsewhere
  play.py wine ZIP_OR_DIR [DRAIN_EXE [MSI NEXT_MSI]]  the Windows build and installers, under Wine
  play.py soak GAME ARTDIR SECONDS     random play: the game never dies, its memory stays flat
  play.py valgrind GAME ARTDIR         the start of play under memcheck
  play.py web SITES [ENGINE]           the browser build in chromium (default), firefox or webkit

SIEVERUSH_SHOTS=FOLDER keeps PNG pictures of what it saw. The cases drive a player (x11, wine, browser):
start, key, move, button, close, shot, wait_exit, out, written. Another platform is one more player.
"""
