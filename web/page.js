// The page: a game against the engine on a clock, or an analysis of the position on
// the board. The rules (legal moves, SAN, FEN, PGN) are chess.js's, the board
// cm-chessboard's; this file keeps the game and the clocks and talks to the engine.
import {Chessboard, COLOR, INPUT_EVENT_TYPE} from "./vendor/cm-chessboard/src/Chessboard.js";
import {PromotionDialog} from "./vendor/cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js";
import {Chess} from "./vendor/chess.js/chess.js";
import {Engine, parseInfo} from "./engine.js";

const STANDARD_START = new Chess().fen();
const CLOCK_TICK_MS = 100;
const MAX_THREADS = 16;
const $ = (id) => document.getElementById(id);

const state = {
  game: new Chess(),
  startFen: STANDARD_START,
  mode: "play",       // "play" against the engine, or "analyse"
  human: "w",         // the human's colour in play mode
  playing: false,     // a game on the clock is running
  engineThinking: false,
  ignoreBestmove: 0,  // bestmoves still to come from searches that were called off
  analysing: false,
  clock: {w: 0, b: 0, increment: 0, lastTick: 0},
  result: "",
  lines: [],
  engineMoveMs: [],   // how long each engine move took, from "go" to "bestmove"
  goSentAt: 0,
};

// ---- Messages ----
function showMessage(text) {
  $("message").textContent = text;
  $("message").hidden = !text;
}

// ---- The engine ----
const engine = new Engine(new URL("velt.js", document.baseURI), {onLine: engineLine, onError: engineFailed});
let engineReady = false;

function engineFailed(text) {
  engineReady = false;
  $("engine-status").textContent = "The chess engine is not available.";
  showMessage(text + ". You can still move the pieces and use the FEN and PGN tools.");
  document.body.classList.add("no-engine");
}

function engineLine(line) {
  if (line.startsWith("info string One thread")) {
    $("threads-note").textContent =
      "This page is not served with cross-origin isolation, so the engine runs on one thread.";
  } else if (line === "uciok") {
    engine.send("isready");
  } else if (line === "readyok" && !engineReady) {
    engineReady = true;
    times.readyMs = performance.now();
    $("engine-status").textContent = "The engine is ready.";
    update();
  } else if (line.startsWith("bestmove")) {
    bestmove(line.split(" ")[1]);
  } else if (line.startsWith("info ")) {
    const info = parseInfo(line);
    if (info && state.analysing) showLine(info);
  }
}

// Threads: as many as the machine has cores, but one core is left to the browser
// and the page by default.
function setUpThreads() {
  const isolated = self.crossOriginIsolated === true;
  const cores = isolated ? Math.min(navigator.hardwareConcurrency || 1, MAX_THREADS) : 1;
  const chosen = Math.max(1, cores - 1);
  for (let n = 1; n <= cores; ++n) $("threads").add(new Option(String(n), String(n), false, n === chosen));
  $("threads").disabled = !isolated;
  engine.send("uci");
  engine.send("setoption name Threads value " + chosen);
}

function positionCommand() {
  const moves = state.game.history({verbose: true}).map((move) => move.lan);
  return "position fen " + state.startFen + (moves.length ? " moves " + moves.join(" ") : "");
}

function stopSearch() {
  if (state.engineThinking || state.analysing) {
    state.ignoreBestmove += 1;
    engine.send("stop");
  }
  state.engineThinking = false;
  state.analysing = false;
}

// ---- Play ----
function engineToMove() {
  return state.mode === "play" && state.playing && state.game.turn() !== state.human;
}

function startEngineMove() {
  if (!engineReady || !engineToMove() || state.engineThinking) return;
  tickClock();
  state.engineThinking = true;
  engine.send(positionCommand());
  const {w, b, increment} = state.clock;
  const inc = Math.round(increment * 1000);
  engine.send(`go wtime ${Math.round(w)} btime ${Math.round(b)} winc ${inc} binc ${inc}`);
  state.goSentAt = performance.now();
  update();
}

function bestmove(uci) {
  if (state.ignoreBestmove > 0) {
    state.ignoreBestmove -= 1;
    return;
  }
  if (state.analysing) return;
  state.engineThinking = false;
  if (!engineToMove()) return;
  state.engineMoveMs.push(performance.now() - state.goSentAt);
  const move = tryMove({from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4]});
  if (!move) {
    state.playing = false;
    state.result = "The engine sent a move this page does not accept (" + uci + ").";
  }
  afterMove();
}

function tryMove(move) {
  try {
    return state.game.move(move);
  } catch {
    return null;
  }
}

function afterMove() {
  if (state.mode === "play" && state.playing) {
    tickClock();
    const mover = state.game.turn() === "w" ? "b" : "w";
    state.clock[mover] += state.clock.increment * 1000;
  }
  checkGameEnd();
  board.setPosition(state.game.fen(), true);
  if (state.mode === "analyse") restartAnalysis();
  else startEngineMove();
  update();
}

function checkGameEnd() {
  const game = state.game;
  if (!game.isGameOver()) return;
  if (game.isCheckmate()) state.result = (game.turn() === "w" ? "Black" : "White") + " wins by checkmate.";
  else if (game.isStalemate()) state.result = "Draw by stalemate.";
  else if (game.isThreefoldRepetition()) state.result = "Draw by threefold repetition.";
  else if (game.isInsufficientMaterial()) state.result = "Draw: neither side can mate.";
  else state.result = "Draw by the fifty-move rule.";
  state.playing = false;
}

function tickClock() {
  const now = performance.now();
  if (state.playing) {
    const side = state.game.turn();
    state.clock[side] -= now - state.clock.lastTick;
    if (state.clock[side] <= 0) {
      state.clock[side] = 0;
      state.playing = false;
      stopSearch();
      state.result = (side === "w" ? "White" : "Black") + " ran out of time: " + (side === "w" ? "Black" : "White") + " wins.";
    }
  }
  state.clock.lastTick = now;
}

function newGame() {
  stopSearch();
  const [base, increment] = $("clock").value.split("+").map(Number);
  const colour = $("colour").value;
  state.human = colour === "random" ? (Math.random() < 0.5 ? "w" : "b") : colour;
  state.startFen = $("chess960").checked ? chess960Fen(Math.floor(Math.random() * 960)) : STANDARD_START;
  state.game = new Chess(state.startFen);
  state.clock = {w: base * 1000, b: base * 1000, increment, lastTick: performance.now()};
  state.result = "";
  state.playing = true;
  state.engineMoveMs = [];
  resetEvalBar();
  engine.send("ucinewgame");
  board.setOrientation(state.human === "w" ? COLOR.white : COLOR.black);
  board.setPosition(state.game.fen());
  showMessage("");
  startEngineMove();
  update();
}

// The back rank of Chess960 start position `number` (0..959) in the usual numbering:
// bishops, queen and knights by the digits of the number, then rook, king, rook.
function chess960Fen(number) {
  const rank = Array(8).fill(null);
  const free = () => rank.map((piece, file) => (piece ? -1 : file)).filter((file) => file >= 0);
  let n = number;
  rank[2 * (n % 4) + 1] = "b";
  n = Math.floor(n / 4);
  rank[2 * (n % 4)] = "b";
  n = Math.floor(n / 4);
  rank[free()[n % 6]] = "q";
  n = Math.floor(n / 6);
  const knights = [[0, 1], [0, 2], [0, 3], [0, 4], [1, 2], [1, 3], [1, 4], [2, 3], [2, 4], [3, 4]][n];
  const forKnights = free();
  for (const index of knights) rank[forKnights[index]] = "n";
  const [left, middle, right] = free();
  rank[left] = "r";
  rank[middle] = "k";
  rank[right] = "r";
  const back = rank.join("");
  return `${back}/pppppppp/8/8/8/8/PPPPPPPP/${back.toUpperCase()} w - - 0 1`;
}

// ---- Take back, analysis ----
function takeBack() {
  if (state.game.history().length === 0) return;
  stopSearch();
  state.game.undo();
  // Against the engine, back to the human's own turn.
  if (state.mode === "play" && state.game.turn() !== state.human && state.game.history().length > 0) state.game.undo();
  if (state.mode === "play" && state.result) {
    state.result = "";
    state.playing = state.clock.w > 0 && state.clock.b > 0;
  }
  state.clock.lastTick = performance.now();
  board.setPosition(state.game.fen(), true);
  if (state.mode === "analyse") restartAnalysis();
  else startEngineMove();
  update();
}

function restartAnalysis() {
  if (!state.analysing) return;
  stopSearch();
  startAnalysis();
}

function startAnalysis() {
  if (!engineReady) return;
  state.lines = [];
  state.analysing = true;
  engine.send("setoption name MultiPV value " + $("multipv").value);
  engine.send(positionCommand());
  if (state.game.isGameOver()) {
    state.analysing = false;
    $("search-stats").textContent = "The game is over in this position: nothing to analyse.";
  } else {
    engine.send("go infinite");
  }
  update();
}

function scoreText(info, whiteToMove) {
  const sign = whiteToMove ? 1 : -1;
  if (info.mate !== null) return (info.mate * sign > 0 ? "White" : "Black") + " mates in " + Math.abs(info.mate);
  const pawns = (info.cp * sign) / 100;
  return (pawns > 0 ? "+" : "") + pawns.toFixed(2);
}

function sanLine(uciMoves) {
  const replay = new Chess(state.game.fen());
  const words = [];
  for (const uci of uciMoves) {
    const move = (() => {
      try {
        return replay.move({from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4]});
      } catch {
        return null;
      }
    })();
    if (!move) break;
    const number = Number(replay.fen().split(" ")[5]);
    if (move.color === "w") words.push(number + ". " + move.san);
    else words.push(words.length === 0 ? number - 1 + "… " + move.san : move.san);
  }
  return words.join(" ");
}

function showLine(info) {
  const whiteToMove = state.game.turn() === "w";
  state.lines[info.multipv - 1] = {score: scoreText(info, whiteToMove), san: sanLine(info.pv), info};
  const list = $("lines");
  list.replaceChildren(
    ...state.lines.filter(Boolean).map((line) => {
      const item = document.createElement("li");
      item.innerHTML = "<b></b> <span></span>";
      item.firstChild.textContent = line.score;
      item.lastChild.textContent = line.san;
      return item;
    }),
  );
  $("search-stats").textContent =
    `Depth ${info.depth}, ${(info.nps / 1000).toFixed(0)} thousand positions a second`;
  if (info.multipv === 1) {
    // The bar: White's share, from the score's win chance (about 50 % per 4 pawns).
    const whiteCp = info.mate !== null ? (info.mate * (whiteToMove ? 1 : -1) > 0 ? 10000 : -10000) : info.cp * (whiteToMove ? 1 : -1);
    const share = 50 + 50 * (2 / (1 + Math.exp(-whiteCp / 250)) - 1);
    $("eval-white").style.height = share.toFixed(1) + "%";
    $("eval-bar").title = "Evaluation: " + state.lines[0].score;
  }
}

function setMode(mode) {
  stopSearch();
  state.mode = mode;
  state.playing = false;
  $("tab-play").setAttribute("aria-selected", String(mode === "play"));
  $("tab-analyse").setAttribute("aria-selected", String(mode === "analyse"));
  $("play-panel").hidden = mode !== "play";
  $("analyse-panel").hidden = mode !== "analyse";
  update();
}

// ---- FEN and PGN ----
function loadFen() {
  const text = $("text").value.trim();
  const check = (() => {
    try {
      return new Chess(text);
    } catch (error) {
      return error;
    }
  })();
  if (check instanceof Error || !text) {
    showMessage("That is not a position this page can set up: " + (text ? check.message : "the box is empty") + ".");
    return;
  }
  loadGame(check, text);
}

function loadPgn() {
  const text = $("text").value.trim();
  const game = new Chess();
  try {
    game.loadPgn(text);
  } catch (error) {
    showMessage("That PGN could not be read: " + error.message + ".");
    return;
  }
  if (!text) {
    showMessage("That PGN could not be read: the box is empty.");
    return;
  }
  const setUp = game.getHeaders().FEN;
  loadGame(game, setUp || STANDARD_START);
}

function resetEvalBar() {
  $("eval-white").style.height = "50%";
  $("eval-bar").title = "Who stands better, by the engine's analysis";
}

function loadGame(game, startFen) {
  stopSearch();
  resetEvalBar();
  state.game = game;
  state.startFen = startFen;
  state.playing = false;
  state.result = "";
  showMessage("");
  board.setPosition(game.fen());
  if (state.mode === "play") setMode("analyse");
  update();
}

// ---- The board and the display ----
const board = new Chessboard($("board"), {
  position: STANDARD_START,
  assetsUrl: "vendor/cm-chessboard/assets/",
  style: {cssClass: "default", borderType: "frame", animationDuration: 150},
  extensions: [{class: PromotionDialog}],
});

let inputFor = null;  // whose moves the board takes: "w", "b", "both" or none

function humanMayMove() {
  if (state.mode === "analyse") return true;
  return state.playing && state.game.turn() === state.human && !state.engineThinking;
}

function boardInput(event) {
  if (event.type === INPUT_EVENT_TYPE.moveInputStarted) {
    return humanMayMove() && state.game.moves({square: event.squareFrom}).length > 0;
  }
  if (event.type !== INPUT_EVENT_TYPE.validateMoveInput) return true;
  const candidates = state.game.moves({square: event.squareFrom, verbose: true}).filter((m) => m.to === event.squareTo);
  if (candidates.length === 0) return false;
  if (candidates[0].promotion) {
    board.showPromotionDialog(event.squareTo, state.game.turn() === "w" ? COLOR.white : COLOR.black, (result) => {
      if (result && result.piece) humanMove({from: event.squareFrom, to: event.squareTo, promotion: result.piece[1]});
      else board.setPosition(state.game.fen());
    });
    return true;
  }
  setTimeout(() => humanMove({from: event.squareFrom, to: event.squareTo}));
  return true;
}

function humanMove(move) {
  if (!humanMayMove()) return false;
  if (!tryMove(move)) {
    board.setPosition(state.game.fen());
    return false;
  }
  afterMove();
  return true;
}

function typedMove(event) {
  event.preventDefault();
  const text = $("move-input").value.trim();
  if (!humanMayMove()) {
    showMessage(state.playing ? "Wait for the engine's move." : "Start a new game first, or switch to Analyse.");
    return;
  }
  if (humanMove(text)) {
    $("move-input").value = "";
    showMessage("");
  } else {
    showMessage(`"${text}" is not a legal move here.`);
  }
}

function formatClock(ms) {
  const seconds = Math.max(0, ms) / 1000;
  if (seconds < 10) return seconds.toFixed(1);
  return Math.floor(seconds / 60) + ":" + String(Math.floor(seconds % 60)).padStart(2, "0");
}

function update() {
  const game = state.game;
  const bottom = board.getOrientation();
  const clocks = {top: bottom === COLOR.white ? "b" : "w", bottom: bottom === COLOR.white ? "w" : "b"};
  for (const [place, side] of Object.entries(clocks)) {
    const element = $("clock-" + place);
    const showClock = state.mode === "play" && (state.playing || state.result);
    element.querySelector(".clock-name").textContent =
      (side === "w" ? "White" : "Black") + (state.mode === "play" ? (side === state.human ? " (you)" : " (Velt)") : "");
    element.querySelector(".clock-time").textContent = showClock ? formatClock(state.clock[side]) : "";
    element.classList.toggle("running", state.playing && game.turn() === side);
  }
  let status;
  if (state.result) status = state.result;
  else if (state.mode === "analyse") status = (game.turn() === "w" ? "White" : "Black") + " to move.";
  else if (!state.playing) status = "Choose your colour and clock, then press New game.";
  else if (state.engineThinking) status = "Velt is thinking…";
  else status = "Your move" + (game.inCheck() ? ": you are in check." : ".");
  $("game-status").textContent = status;
  $("moves").textContent = game.history().length ? game.pgn({maxWidth: 0}).replace(/\[.*?\]\s*/g, "") : "No moves yet.";
  $("analyse").textContent = state.analysing ? "Stop analysis" : "Start analysis";
  $("analyse").disabled = !engineReady;
  $("new-game").disabled = !engineReady;
  // The board takes moves only from the side that may move now.
  const mover = !humanMayMove() ? null : state.mode === "analyse" ? "both" : state.human;
  if (mover !== inputFor) {
    if (inputFor) board.disableMoveInput();
    if (mover) board.enableMoveInput(boardInput, mover === "both" ? undefined : mover === "w" ? COLOR.white : COLOR.black);
    inputFor = mover;
  }
}

// ---- Wiring ----
$("new-game").onclick = newGame;
$("take-back").onclick = takeBack;
$("flip").onclick = () => {
  board.setOrientation(board.getOrientation() === COLOR.white ? COLOR.black : COLOR.white);
  update();
};
$("tab-play").onclick = () => setMode("play");
$("tab-analyse").onclick = () => setMode("analyse");
$("analyse").onclick = () => {
  if (state.analysing) stopSearch();
  else startAnalysis();
  update();
};
$("multipv").onchange = restartAnalysis;
$("new-board").onclick = () => loadGame(new Chess(), STANDARD_START);
$("move-form").onsubmit = typedMove;
$("load-fen").onclick = loadFen;
$("load-pgn").onclick = loadPgn;
$("show-fen").onclick = () => ($("text").value = state.game.fen());
$("show-pgn").onclick = () => {
  if (state.startFen !== STANDARD_START) {
    state.game.setHeader("SetUp", "1");
    state.game.setHeader("FEN", state.startFen);
  }
  if (state.result) state.game.setHeader("Result", resultTag());
  $("text").value = state.game.pgn();
};
$("threads").onchange = () => engine.send("setoption name Threads value " + $("threads").value);
$("analysis-file").onchange = async (event) => {
  const file = event.target.files[0];
  if (!file) return;
  engine.sendFile(file.name, await file.arrayBuffer());
  engine.send("setoption name SaveAnalysisFile value /files/" + file.name.replace(/[^A-Za-z0-9._-]/g, "_"));
};
// Syzygy files (.rtbw, .rtbz) and the engine's own tablebase files share /files; each
// option is pointed there once a file of its kind has come.
$("tablebase-files").onchange = async (event) => {
  const names = [];
  for (const file of event.target.files) {
    engine.sendFile(file.name, await file.arrayBuffer());
    names.push(file.name);
  }
  const syzygy = names.filter((name) => /\.rtb[wz]$/i.test(name));
  if (syzygy.length > 0) engine.send("setoption name SyzygyPath value /files");
  if (syzygy.length < names.length) engine.send("setoption name NalimovPath value /files");
};

function resultTag() {
  if (state.result.includes("White wins") || state.result.startsWith("Black ran")) return "1-0";
  if (state.result.includes("Black wins") || state.result.startsWith("White ran")) return "0-1";
  return state.result.startsWith("Draw") ? "1/2-1/2" : "*";
}

setInterval(() => {
  if (state.mode !== "play" || !state.playing) return;
  tickClock();
  update();
}, CLOCK_TICK_MS);

// For measurements and the page's tests: what the page knows about its game, and
// when (from the start of its navigation) it was shown and its engine ready.
const times = {shownMs: 0, readyMs: 0};
window.veltPage = {state, engine, times};
setUpThreads();
update();
times.shownMs = performance.now();
