// The page's files are listed twice beside the folder that the server serves them from: the
// service worker keeps a copy of each for working offline, and the page preloads its modules.
// A file added to the folder and not to those lists would be missing offline, or fetched late.
import assert from "node:assert/strict";
import { readdirSync, readFileSync } from "node:fs";
import { test } from "node:test";

const folder = new URL("../../../device/webunit/page/", import.meta.url);
const served = readdirSync(folder).sort();
const text = (name) => readFileSync(new URL(name, folder), "utf8");

test("the service worker keeps every file of the page, and only those", () => {
  const list = /const FILES = \[([^\]]*)\]/.exec(text("sw.js"));
  assert.ok(list, "sw.js has no FILES list");
  const kept = [...list[1].matchAll(/"([^"]*)"/g)].map((m) => m[1]);
  assert.equal(new Set(kept).size, kept.length, "a file is kept twice");
  assert.deepEqual(kept.filter((name) => name !== "./").sort(), served.filter((name) => name !== "sw.js"));
  assert.ok(kept.includes("./"), "the page's own address is not kept");
});

test("the page loads or preloads every module it imports", () => {
  const page = text("index.html");
  const loaded = [...page.matchAll(/<(?:script type="module" src|link rel="modulepreload" href)="([^"]+)"/g)]
    .map((m) => m[1]);
  const imported = new Set();
  for (const name of served.filter((name) => name.endsWith(".js") && name !== "sw.js"))
    for (const [, module] of text(name).matchAll(/from "\.\/([^"]+)"/g)) imported.add(module);
  assert.ok(imported.size > 0);
  for (const module of imported) assert.ok(loaded.includes(module), `${module} is imported but not preloaded`);
  for (const module of loaded) assert.ok(served.includes(module), `${module} is loaded but not in the folder`);
});
