// The page keeps the game's runs (the last game, the best runs and their recordings) in IndexedDB:
// emscripten's IDBFS mounted at /kept, filled from IndexedDB before the game starts and written
// back after each change (platform/web/Store.cpp). Written back before it was filled, it would
// delete what IndexedDB held: so a page whose IndexedDB is refused (a private window, storage
// turned off) or does not answer keeps no runs at all, and Module.keptRefused says why.
Module.preRun = [].concat(Module.preRun || [], () => {
  let waiting = true;
  const filled = (refused) => {
    if (!waiting)
      return;
    waiting = false;
    if (refused)
      Module.keptRefused = refused;
    removeRunDependency('kept');
  };
  try {
    FS.mkdir('/kept');
    FS.mount(IDBFS, {}, '/kept');
  } catch (e) {
    Module.keptRefused = String(e && e.message || e);
    return;
  }
  addRunDependency('kept');
  // A browser may leave IndexedDB's request unanswered; the game starts without its runs.
  setTimeout(() => filled('IndexedDB did not answer'), 5000);
  FS.syncfs(true, (e) => filled(e ? String(e.message || e.name || e) : null));
});

// Writes /kept back to IndexedDB, one write at a time: a change made meanwhile is written by one
// more. A write IndexedDB refuses (a full storage) is said once.
Module.keptPush = () => {
  if (Module.keptPushing) {
    Module.keptPushAgain = true;
    return;
  }
  Module.keptPushing = true;
  FS.syncfs(false, (e) => {
    Module.keptPushing = false;
    if (e && !Module.keptPushSaid) {
      Module.keptPushSaid = true;
      err(`sieverush: cannot keep the runs in the page's storage (${e.message || e.name || e}); the game plays on`);
    }
    if (Module.keptPushAgain) {
      Module.keptPushAgain = false;
      Module.keptPush();
    }
  });
};
