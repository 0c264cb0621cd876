// The Velt chess engine as a Web Worker: new Worker("/velt.js"). Post it UCI lines
// (strings; several lines in one message are fine); it posts back the engine's
// output, one line per message, as the console program writes it. A file for the
// engine (an analysis file, tablebase files) is posted as
// {file: "name", data: ArrayBuffer} and lands in /files/name, which the options can
// then name. If the engine cannot start, the worker posts {error: "why"}.
//
// Served cross-origin isolated (COOP same-origin, COEP require-corp), the worker runs
// the build with threads: the search uses Threads threads. Elsewhere it runs the
// build on one thread, and says so in an info string line before each "uciok".
"use strict";

const base = self.location.href.replace(/[^/]*([?#].*)?$/, "");
const threaded = self.crossOriginIsolated === true && typeof SharedArrayBuffer === "function";
const buildName = threaded ? "velt-threads" : "velt-single";
const singleThreadNote =
  "info string One thread: this page is not cross-origin isolated, so the engine cannot share memory " +
  "between threads (Threads stays 1)";

const THREADS_OPTION = /^(\s*setoption\s+name\s+(max)?threads\s+value\s+)\d+/i;

let engine = null;   // the Emscripten module once it runs
let pending = [];    // messages that came before it did
let failed = false;

function fail(reason) {
  if (failed) return;
  failed = true;
  self.postMessage({error: (engine === null ? "The chess engine could not start: " : "The chess engine stopped: ") + reason});
}

function writeLine(line) {
  if (!threaded && line === "uciok") self.postMessage(singleThreadNote);
  self.postMessage(line);
}

function handle(message) {
  if (typeof message === "string") {
    for (const line of message.split(/\r?\n/)) {
      if (line.trim() === "") continue;
      // "quit" ends the worker, as it ends the console program.
      if (line.trim() === "quit") {
        self.close();
        return;
      }
      // On one thread more search threads would only take turns: the count stays 1.
      const text = threaded ? line : line.replace(THREADS_OPTION, (all, head) => head + "1");
      engine.ccall("velt_input", null, ["string"], [text]);
      // The single-thread build sleeps between turns; the line wakes it at once.
      if (engine.veltWake) engine.veltWake();
    }
  } else if (message && typeof message.file === "string" && message.data instanceof ArrayBuffer) {
    const name = message.file.replace(/[^A-Za-z0-9._-]/g, "_");
    engine.FS.mkdirTree("/files");
    engine.FS.writeFile("/files/" + name, new Uint8Array(message.data));
    self.postMessage("info string file /files/" + name + " ready (" + message.data.byteLength + " bytes)");
  }
}

self.onmessage = (event) => {
  if (failed) return;
  if (engine === null) pending.push(event.data);
  else handle(event.data);
};

function start() {
  if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function") {
    fail("this browser has no WebAssembly");
    return;
  }
  try {
    importScripts(base + buildName + ".js");
  } catch (error) {
    fail("its script " + buildName + ".js did not load (" + error.message + ")");
    return;
  }
  const factory = threaded ? self.VeltThreads : self.VeltSingle;
  const module = {
    locateFile: (path) => base + path,
    mainScriptUrlOrBlob: base + buildName + ".js",
    print: writeLine,
    printErr: (text) => console.warn("velt: " + text),
    onAbort: (what) =>
      fail(engine === null ? buildName + ".wasm did not load or is damaged (" + what + ")" : String(what)),
  };
  factory(module).then((instance) => {
    engine = instance;
    const waiting = pending;
    pending = [];
    for (const message of waiting) handle(message);
  }, (error) => fail(String(error && error.message ? error.message : error)));
}

start();
