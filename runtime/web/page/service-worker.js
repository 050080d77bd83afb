// Offline play: every file of one version of the site is kept in a cache of
// its own. The page itself (and its manifest) comes from the network when
// there is one, so a newer site is seen at once; the program and media files
// are named by their content, so a cached copy of one is never stale. A new
// version's worker replaces the old one and drops its cache.
'use strict';

var VERSION = '@VERSION@';
var FILES = [@FILES@];
var CACHE = 'wedgewise-' + VERSION;
// Fetched anew whenever the network answers.
var FRESH = ['', 'index.html', 'manifest.webmanifest'];

self.addEventListener('install', function (event) {
  event.waitUntil(caches.open(CACHE).then(function (cache) {
    return cache.addAll(['./'].concat(FILES));
  }).then(function () { return self.skipWaiting(); }));
});

self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf('wedgewise-') === 0 && name !== CACHE;
    }).map(function (name) { return caches.delete(name); }));
  }).then(function () { return self.clients.claim(); }));
});

function scopePath(url) {
  var scope = new URL(self.registration.scope);
  return url.pathname.indexOf(scope.pathname) === 0 ? url.pathname.slice(scope.pathname.length) : null;
}

self.addEventListener('fetch', function (event) {
  var request = event.request;
  if (request.method !== 'GET') return;
  var url = new URL(request.url);
  var path = scopePath(url);
  if (url.origin !== self.location.origin || path === null) return;
  if (request.mode === 'navigate' || FRESH.indexOf(path) >= 0) {
    // The network first; the cached copy when offline.
    event.respondWith(fetch(request).then(function (response) {
      if (response.ok) {
        var copy = response.clone();
        caches.open(CACHE).then(function (cache) { cache.put(request.mode === 'navigate' ? './' : request, copy); });
      }
      return response;
    }).catch(function () {
      return caches.match(request.mode === 'navigate' ? './' : request, { ignoreSearch: true });
    }));
    return;
  }
  event.respondWith(caches.match(request).then(function (cached) {
    return cached || fetch(request);
  }));
});
