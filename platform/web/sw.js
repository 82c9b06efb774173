// The page's service worker: it keeps the page's files so that the game starts again without a
// network, each from the cache first. Its cache is named by the build (a digest of the page's files,
// written in by scripts/web/build-web.sh), so that a new build is a new worker: the browser finds
// it at a start, it fetches the new files beside the old ones, and once the page has its first
// picture the page lets it take over (the page already running keeps its build); the next start is
// the new build, and the old cache is removed.
'use strict';
const Build = '@BUILD@';
// Every file of the page, relative to this worker (the page's own folder, wherever it is served).
const Files = ['index.html', 'sieverush.js', 'sieverush.wasm', 'sieverush.data', 'icon.png',
               'icon-192.png', 'icon-512.png', 'manifest.webmanifest'];
// Caches of this game are named after its folder, so that other pages of the site keep theirs.
const Prefix = 'sieverush ' + self.registration.scope + ' ';
const Name = Prefix + Build;

// The files fetched anew (asked of the server, not taken from the browser's cache, which may hold
// an older build's), all or none.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(Name).then((cache) => cache.addAll(Files.map((file) => new Request(file, { cache: 'no-cache' })))));
});

self.addEventListener('message', (event) => {
  if (event.data === 'take over')
    self.skipWaiting();
});

// The old builds' caches go; the page that registered this worker is served by it from now on.
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith(Prefix) && name !== Name).map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The page (at its folder, as index.html, or with a recording named in its address) and its files
// from the cache; anything else (a recording) from the network as ever.
self.addEventListener('fetch', (event) => {
  const request = event.request, url = new URL(request.url);
  if (request.method !== 'GET' || !url.href.startsWith(self.registration.scope))
    return;
  const page = request.mode === 'navigate' && /^(index\.html)?$/.test(url.pathname.slice(new URL(self.registration.scope).pathname.length));
  event.respondWith(caches.open(Name)
    .then((cache) => cache.match(page ? 'index.html' : request, { ignoreSearch: page }))
    .then((kept) => kept || fetch(request)));
});
