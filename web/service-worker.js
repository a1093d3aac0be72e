// Keeps one build of the site for visits without the network. tools/build-web
// fills in the build's hash and the files a visit needs; a new build is a new
// worker, which fetches its files afresh and drops the old build's cache. The
// network answers first, so an online visit always gets what the host has.
'use strict';
const BUILD = 'unbuilt';
const FILES = [];
const CACHE = 'quarrow-' + BUILD;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((f) => new Request(f, { cache: 'no-cache' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n.startsWith('quarrow-') && n !== CACHE).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

// The page's address carries its answers (?answers=...): any query finds
// the kept page.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(fetch(event.request).catch(() =>
    caches.open(CACHE).then((cache) => cache.match(event.request, { ignoreSearch: true }))
      .then((kept) => kept || Response.error())));
});
