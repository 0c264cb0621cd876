// The browser checks of the web build (make check-web): headless Chromium opens the
// page from tools/serve_web.py, cross-origin isolated (the build with threads) and
// not (the build on one thread), and drives it through its own controls.
//   node web/test/check_web.mjs --browser /usr/bin/chromium --site build-web/site --native build/velt
//   ... --measure   also the nodes per second of "si" in the page and natively, 1 and 2 threads
import {spawn, execFileSync} from "node:child_process";
import {mkdtempSync, readdirSync, rmSync, symlinkSync} from "node:fs";
import {tmpdir} from "node:os";
import {join, resolve} from "node:path";
import {parseArgs} from "node:util";
import puppeteer from "puppeteer-core";
import {Chess} from "chess.js";

const {values: options} = parseArgs({
  options: {browser: {type: "string"}, site: {type: "string"}, native: {type: "string"}, measure: {type: "boolean"}},
});
// Chromium on a machine without network: no background connections, no GPU, a new profile.
const CHROMIUM_FLAGS = ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync"];
// The page itself (board and controls) within two seconds; the engine, which starts
// behind it, within ten on a busy machine (the time is reported).
const MAX_PAGE_MS = 2000;
const MAX_ENGINE_MS = 10000;
const MAX_GAME_PLIES = 400;
// A stop is answered at the search's next poll, some milliseconds; a busy machine stretches that.
const STOP_ANSWER_MS = 3000;

let passed = 0;
let failed = 0;
function check(name, ok, detail = "") {
  if (ok) passed += 1;
  else failed += 1;
  console.log(`${ok ? "ok  " : "FAIL"} ${name}${detail ? ": " + detail : ""}`);
}

// A static server of a site on a free port; resolves to its base URL.
function serve(isolated, site = options.site) {
  const args = ["tools/serve_web.py", "--port", "0", ...(isolated ? [] : ["--no-isolation"]), site];
  const server = spawn("python3", args, {stdio: ["ignore", "pipe", "inherit"]});
  return new Promise((resolve, reject) => {
    server.stdout.on("data", (chunk) => {
      const found = /http:\/\/localhost:(\d+)\//.exec(String(chunk));
      if (found) resolve({url: `http://127.0.0.1:${found[1]}/`, stop: () => server.kill()});
    });
    server.on("exit", (code) => reject(new Error("the page's server ended with " + code)));
  });
}

// The four node counts of "si" from its output lines.
function nodeCounts(text) {
  return [...text.matchAll(/Position \d ->  Time: \d+ms, Nodes: (\d+)/g)].map((m) => Number(m[1]));
}
function machineKnps(text) {
  const found = /Avg KNPS for this machine is ([\d.]+)/.exec(text);
  return found ? Number(found[1]) : NaN;
}

function nativeSi(threads) {
  const input = `uci\nsetoption name Threads value ${threads}\nsi\nquit\n`;
  return execFileSync(options.native, [], {input, encoding: "utf8"});
}

// Runs a script in a worker of its own that the page starts as any site would: each
// step sends its line, then waits for an output line that matches its pattern, if it
// has one. Returns the whole output.
async function inWorker(page, steps, timeoutMs) {
  return page.evaluate(
    (steps, timeoutMs) =>
      new Promise((resolve, reject) => {
        const worker = new Worker("/velt.js");
        let text = "";
        let step = 0;
        let waitingFor = null;
        const timer = setTimeout(() => reject(new Error(`no answer in ${timeoutMs} ms to ${JSON.stringify(steps)}; got: ${text.slice(-400)}`)), timeoutMs);
        const advance = () => {
          while (waitingFor === null && step < steps.length) {
            const [line, pattern] = steps[step++];
            worker.postMessage(line);
            if (pattern) waitingFor = new RegExp(pattern);
          }
          if (waitingFor === null) {
            clearTimeout(timer);
            worker.terminate();
            resolve(text);
          }
        };
        worker.onmessage = (event) => {
          const line = typeof event.data === "string" ? event.data : JSON.stringify(event.data);
          text += line + "\n";
          if (waitingFor && waitingFor.test(line)) {
            waitingFor = null;
            advance();
          }
        };
        advance();
      }),
    steps, timeoutMs);
}

// "isready" and "stop" sent while a search runs are answered before it ends.
async function answersDuringSearch(page, build) {
  const output = await inWorker(page, [["uci"], ["setoption name Threads value 2"], ["go infinite", "^info depth 9 "],
    ["isready", "^readyok"], ["stop", "^bestmove"]], 30000);
  check(`${build}, isready and stop are answered during a search`,
    /info depth 9 [\s\S]*readyok[\s\S]*bestmove/.test(output), output.split("\n").slice(-3).join(" | "));
}

const text = (page, id) => page.$eval("#" + id, (element) => element.textContent);
const waitText = (page, id, pattern, timeout) =>
  page.waitForFunction((id, pattern) => new RegExp(pattern).test(document.getElementById(id).textContent),
    {timeout, polling: 50}, id, pattern.source);

async function openPage(browser, url) {
  const page = await browser.newPage();
  page.on("pageerror", (error) => check("the page runs without script errors", false, error.message));
  await page.goto(url);
  await waitText(page, "engine-status", /ready/, 30000);
  // The page's own times, from the start of its navigation: the browser's start-up
  // is not the page's.
  const {shownMs, readyMs} = await page.evaluate(() => window.veltPage.times);
  return {page, pageMs: Math.round(shownMs), engineMs: Math.round(readyMs)};
}

async function typeMove(page, san) {
  await page.$eval("#move-input", (input, san) => (input.value = san), san);
  await page.click("#move-form button");
}

// A whole game at one minute a side from a Chess960 start (out of the book, so the
// engine's first move is a search): the page's human side plays random legal moves
// through the move box, the engine answers; every engine move must be legal, and the
// page must show the result.
async function playGame(page) {
  await page.click("#tab-play");
  await page.select("#colour", "b");
  await page.select("#clock", "60+0");
  await page.$eval("#chess960", (box) => (box.checked = true));
  await page.click("#new-game");
  await page.$eval("#chess960", (box) => (box.checked = false));
  const rules = new Chess(await page.evaluate(() => window.veltPage.state.startFen));
  let plies = 0;
  for (; plies < MAX_GAME_PLIES; ++plies) {
    await waitText(page, "game-status", /Your move|wins|Draw|ran out|does not accept/, 70000);
    const status = await text(page, "game-status");
    if (!/Your move/.test(status)) break;
    const history = await page.evaluate(() => window.veltPage.state.game.history({verbose: true}).map((m) => m.lan));
    // Replay what the page has: the engine's moves must be legal for the test's own rules too.
    for (const lan of history.slice(rules.history().length)) {
      const move = rules.move({from: lan.slice(0, 2), to: lan.slice(2, 4), promotion: lan[4]});
      if (!move) throw new Error("an illegal engine move: " + lan);
    }
    const moves = rules.moves();
    await typeMove(page, moves[Math.floor(Math.random() * moves.length)]);
  }
  const status = await text(page, "game-status");
  const timings = await page.evaluate(() => window.veltPage.state.engineMoveMs);
  check("a game at one minute a side ends with its result shown", /wins|Draw/.test(status), status);
  check("no engine move was refused", !/does not accept/.test(status));
  check("the engine's first move came within its allotment (a tenth of its minute)",
    timings.length > 0 && timings[0] < 60000 / 10, `${Math.round(timings[0])} ms`);
  return {plies, firstMoveMs: timings[0]};
}

// Three lines of analysis of a set position, then stop: the engine must answer the
// stop while it searches.
async function analyse(page) {
  await page.click("#tab-analyse");
  await page.click("#position-io summary");
  await page.$eval("#text", (area) => (area.value = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));
  await page.click("#load-fen");
  await page.select("#multipv", "3");
  await page.click("#analyse");
  await page.waitForFunction(() => document.querySelectorAll("#lines li").length === 3, {timeout: 20000});
  await waitText(page, "search-stats", /Depth (1[0-9]|[6-9])/, 30000);
  const lines = await page.$$eval("#lines li", (items) => items.map((item) => item.textContent));
  check("an analysis shows three lines in SAN with scores", lines.length === 3 && lines.every((l) => /^[+-]?\d+\.\d\d 3\. /.test(l)),
    lines.join(" | "));
  const bestmove = page.evaluate(() => window.veltPage.engine.waitFor((line) => line.startsWith("bestmove")));
  const stoppedAt = Date.now();
  await page.click("#analyse");
  await bestmove;
  check("a running analysis stops when asked", Date.now() - stoppedAt < STOP_ANSWER_MS, `${Date.now() - stoppedAt} ms`);
  check("the button offers a new analysis", (await text(page, "analyse")) === "Start analysis");
}

// Syzygy files picked on the page reach the engine, which then answers a position of
// theirs from the tables.
async function pickTablebases(page) {
  const nextLine = (pattern) => Promise.race([
    page.evaluate((source) => window.veltPage.engine.waitFor((line) => new RegExp(source).test(line)), pattern.source),
    new Promise((done) => setTimeout(() => done("(no such line in 20 s)"), 20000))]);
  const picked = nextLine(/Syzygy: \d+ files/);
  const picker = await page.$("#tablebase-files");
  await picker.uploadFile(...["KRvK.rtbw", "KRvK.rtbz"].map((name) => resolve("tests/egtb/data/syzygy", name)));
  check("picked Syzygy files are loaded", /Syzygy: 2 files/.test(await picked), await picked);
  await page.$eval("#text", (area) => (area.value = "8/8/8/4k3/8/8/8/R3K3 w - - 0 1"));
  await page.click("#load-fen");
  const hit = nextLine(/ tbhits [1-9]/);
  await page.click("#analyse");
  check("the analysis of a position in them hits the tables", / tbhits [1-9]/.test(await hit));
  const bestmove = nextLine(/^bestmove/);
  await page.click("#analyse");
  await bestmove;
}

// Bad FEN and PGN give a message and leave the board as it was; good ones load.
async function pasteText(page) {
  const fenBefore = await page.evaluate(() => window.veltPage.state.game.fen());
  for (const [button, bad] of [["#load-fen", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1"],
    ["#load-fen", "8/8/8/8/8/8/8/8 w - - 0 1"], ["#load-pgn", "1. e4 e5 2. Ke3 Nc6"]]) {
    await page.$eval("#text", (area, bad) => (area.value = bad), bad);
    await page.click(button);
    const message = await text(page, "message");
    const fen = await page.evaluate(() => window.veltPage.state.game.fen());
    check(`"${bad}" is refused with a message`, /not a position|could not be read/.test(message) && fen === fenBefore, message);
  }
  await page.$eval("#text", (area) => (area.value = '[Event "x"]\n\n1. d4 d5 2. c4 e6 3. Nc3 *'));
  await page.click("#load-pgn");
  check("a PGN loads", (await text(page, "moves")).includes("3. Nc3"), await text(page, "moves"));
  await typeMove(page, "Nf6");
  const fen = await page.evaluate(() => window.veltPage.state.game.fen());
  check("the board takes a move after bad input", fen.startsWith("rnbqkb1r/ppp2ppp/4pn2/3p4/2PP4/2N5"), fen);
  await page.click("#show-pgn");
  check("the game goes out as PGN", (await page.$eval("#text", (area) => area.value)).includes("3. Nc3 Nf6"));
}

// The npm package: npm pack takes the worker, both builds, the README and the licence.
function checkPackage() {
  const packageDir = resolve(options.site, "..", "package");
  const [listing] = JSON.parse(execFileSync("npm", ["pack", "--dry-run", "--json"], {cwd: packageDir, encoding: "utf8"}));
  const files = listing.files.map((file) => file.path);
  const wanted = ["velt.js", "velt-threads.js", "velt-threads.wasm", "velt-threads.worker.js", "velt-single.js",
    "velt-single.wasm", "README.md", "LICENSE", "package.json"];
  check("npm pack makes the package with the worker, both builds, README and licence",
    wanted.every((name) => files.includes(name)), files.join(" "));
}

async function main() {
  checkPackage();
  const native = nativeSi(1);
  const expected = nodeCounts(native);
  const profile = mkdtempSync(join(tmpdir(), "velt-chromium-"));
  const brokenSite = mkdtempSync(join(tmpdir(), "velt-site-"));
  const browser = await puppeteer.launch({executablePath: options.browser, headless: true, userDataDir: profile,
    args: CHROMIUM_FLAGS});
  const isolated = await serve(true);
  const plain = await serve(false);
  try {
    // The build with threads, on the isolated page.
    const {page, pageMs, engineMs} = await openPage(browser, isolated.url);
    check("the page is shown in under two seconds", pageMs < MAX_PAGE_MS, `${pageMs} ms`);
    check("its engine is ready in under ten seconds", engineMs < MAX_ENGINE_MS, `${engineMs} ms`);
    check("the isolated page runs the engine with threads", await page.evaluate(() => self.crossOriginIsolated) &&
      !(await text(page, "threads-note")));
    const si = await inWorker(page, [["uci"], ["si", "Speed Index"]], 300000);
    check("si in the worker with threads gives the native node counts", String(nodeCounts(si)) === String(expected),
      `${nodeCounts(si)} (native ${expected})`);
    const searchLines = (output) => output.split("\n").filter((line) => line.startsWith("info depth")).length;
    const go = [["position startpos"], ["go wtime 60000 btime 60000", "^bestmove"]];
    const fromBook = await inWorker(page, [["uci"], ...go], 60000);
    const searched = await inWorker(page, [["uci"], ["setoption name OwnBook value false"], ...go], 60000);
    check("OwnBook: the first move comes from the built-in book", searchLines(fromBook) === 0 && searchLines(searched) > 0,
      `${searchLines(fromBook)} search lines with the book, ${searchLines(searched)} without`);
    await answersDuringSearch(page, "with threads");
    const game = await playGame(page);
    console.log(`     game: ${game.plies} plies; first engine move ${Math.round(game.firstMoveMs)} ms`);
    await analyse(page);
    await pickTablebases(page);
    await pasteText(page);

    // The build on one thread, on a page without isolation.
    const single = await openPage(browser, plain.url);
    check("the page without isolation says the engine runs on one thread",
      /one thread/.test(await text(single.page, "threads-note")));
    const singleSi = await inWorker(single.page, [["uci"], ["si", "Speed Index"]], 600000);
    check("si on one thread gives the native node counts", String(nodeCounts(singleSi)) === String(expected),
      `${nodeCounts(singleSi)}`);
    await answersDuringSearch(single.page, "on one thread");
    await analyse(single.page);

    // A module that does not load (the site without its .wasm files): a clear
    // message, and the board still works.
    for (const name of readdirSync(options.site)) {
      if (!name.endsWith(".wasm")) symlinkSync(resolve(options.site, name), join(brokenSite, name));
    }
    const incomplete = await serve(false, brokenSite);
    const broken = await browser.newPage();
    await broken.goto(incomplete.url);
    await waitText(broken, "message", /could not start/, 30000);
    incomplete.stop();
    await broken.click("#tab-analyse");
    await typeMove(broken, "e4");
    check("a module that fails to load is reported and the board stays live",
      (await broken.evaluate(() => window.veltPage.state.game.history())).join() === "e4",
      await text(broken, "message"));

    if (options.measure) {
      for (const threads of [1, 2]) {
        const web = await inWorker(page, [["uci"], [`setoption name Threads value ${threads}`], ["si", "Speed Index"]],
          600000);
        const own = nativeSi(threads);
        console.log(`     si, ${threads} thread(s): page ${machineKnps(web)} kN/s, native ${machineKnps(own)} kN/s`);
      }
      console.log(`     si, one-thread build: ${machineKnps(singleSi)} kN/s; page shown in ${pageMs} ms, engine ready in ${engineMs} ms`);
    }
  } finally {
    await browser.close();
    isolated.stop();
    plain.stop();
    rmSync(profile, {recursive: true, force: true});
    rmSync(brokenSite, {recursive: true, force: true});
  }
  console.log(`check-web: ${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.log(`FAIL ${error.message}`);
  console.log(`check-web: ${passed} passed, ${failed + 1} failed`);
  process.exit(1);
});
