// The page's side of the engine's worker: it starts velt.js, sends UCI lines and
// hands each line that comes back to the page, and reads the search's "info" lines.

export class Engine {
  constructor(url, handlers) {
    this.handlers = handlers;
    this.waiters = [];
    this.worker = new Worker(url);
    this.worker.onmessage = (event) => {
      const data = event.data;
      if (typeof data === "string") this.receive(data);
      else if (data && data.error) handlers.onError(data.error);
    };
    this.worker.onerror = (event) => {
      event.preventDefault();
      handlers.onError("The chess engine could not start: " + (event.message || "its script did not load"));
    };
  }

  send(line) {
    this.worker.postMessage(line);
  }

  sendFile(name, data) {
    this.worker.postMessage({file: name, data}, [data]);
  }

  // A promise of the first line from now on for which test(line) holds.
  waitFor(test) {
    return new Promise((resolve) => this.waiters.push({test, resolve}));
  }

  receive(line) {
    this.waiters = this.waiters.filter((waiter) => !(waiter.test(line) && (waiter.resolve(line), true)));
    this.handlers.onLine(line);
  }
}

// The fields of a search line "info depth 12 ... score cp 31 ... pv e2e4 e7e5", or
// null for other info lines (a current move, a string).
export function parseInfo(line) {
  const words = line.split(" ");
  if (words[0] !== "info" || !words.includes("pv") || !words.includes("score")) return null;
  const info = {multipv: 1, depth: 0, nps: 0, nodes: 0, mate: null, cp: 0, bound: null, pv: []};
  for (let i = 1; i < words.length; ++i) {
    const word = words[i];
    if (word === "pv") {
      info.pv = words.slice(i + 1);
      break;
    }
    if (word === "multipv" || word === "depth" || word === "nps" || word === "nodes") info[word] = Number(words[++i]);
    else if (word === "score") {
      const kind = words[++i];
      const value = Number(words[++i]);
      if (kind === "mate") info.mate = value;
      else info.cp = value;
    } else if (word === "lowerbound" || word === "upperbound") info.bound = word;
  }
  return info;
}
