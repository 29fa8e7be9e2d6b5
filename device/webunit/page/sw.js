// Keeps the page's own files so that it opens without the network once it has been open over
// HTTPS. The page is fetched from the PC first, so it follows the PC's version; the kept copy
// is used only when the PC cannot be reached. The HTTP interface is never kept.
const CACHE = "kestrivo-page";
const FILES = ["./", "index.html", "app.css", "app.js", "connection.js", "editing.js", "evaluation.js", "form.js",
               "rules.js", "store.js", "manifest.webmanifest", "icon.svg", "icon-192.png", "icon-512.png"];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener("activate", (event) => {
  event.waitUntil(self.clients.claim());
});

self.addEventListener("fetch", (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== "GET" || url.origin !== self.location.origin || url.pathname.startsWith("/api/"))
    return;
  event.respondWith(
    fetch(event.request)
      .then((response) => {
        if (response.ok) {
          const copy = response.clone();
          caches.open(CACHE).then((cache) => cache.put(event.request, copy));
        }
        return response;
      })
      .catch(() => caches.match(event.request, { ignoreSearch: true })
        .then((kept) => kept || caches.match("./"))));
});
