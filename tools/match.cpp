// Plays two engines against each other (any UCI or xboard programs given as shell
// commands) from a list of start positions with a real clock, checks every move
// with Velt's own rules, adjudicates the end of each game, counts illegal moves,
// time losses and crashes, and writes the games as PGN with each move's score, depth
// and thinking time.
//
//   match -e1 CMD -p1 uci|xboard -e2 CMD -p2 uci|xboard [-games N] [-tc BASE+INC]
//         [-positions FILE] [-pgn FILE] [-maxplies N] [-transport MS] [-results] [-ponder]
//         [-chess960] [-sprt ELO0 ELO1 ALPHA BETA] [-concurrency N] [-nodes N] [-nodevary PERCENT]
//         [-o1 NAME=VALUE]... [-o2 NAME=VALUE]...
//
// -tc is in seconds (10+0.1). -transport forgives a move that overruns the clock by at
// most that many milliseconds, the time the pipes themselves may take. -positions
// holds one FEN per line ("startpos" for the initial position; one that is not a
// position or whose game is over is left out with a note); each position is
// played twice with colours swapped. -results also checks that the engine that made
// the last move printed the right result line. -ponder lets both engines think on the
// opponent's time: a UCI engine on the reply its "bestmove" names (the driver answers
// with "ponderhit" or "stop"), an xboard engine after "hard". -chess960 plays Chess960:
// UCI engines get UCI_Chess960 and castling as the king taking its rook, xboard
// engines "variant fischerandom" and castling as O-O or O-O-O. -sprt tests engine 1
// for logistic Elo ELO0 against ELO1 over the pairs of games, printing the ratio after
// each pair, and stops once it decides (-games is then the most it plays).
// -concurrency plays N games at once, each pair of a position by one slot with its own
// two engine processes. -nodes gives UCI engines "go nodes N" instead of the clock (no
// time is then charged; games made for data, whose moves do not hang on the machine's
// load); -nodevary draws each move's count from N within PERCENT either way, by the
// round and ply, so that the two games of a pair between identical engines differ and
// the games are the same on every run. The PGN file holds the games in round order.
// -o1 and -o2 set a UCI option of engine 1 or 2 ("setoption name NAME value VALUE"
// after the greeting), as often as given: -o2 Threads=1.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "board/coordinate.h"
#include "board/position.h"
#include "board/rules.h"
#include "common/child_process.h"
#include "common/sprt.h"
#include "common/thinking_line.h"
#include "search/game_end.h"
#include "search/worker.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/result.h"

using namespace velt;

namespace {

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// One engine program, started from a shell command.
class Player {
 public:
  Player(std::string command, bool uci) : command_(std::move(command)), uci_(uci) {}
  ~Player() { stop(); }

  bool uci() const { return uci_; }

  // A UCI engine pondering on the opponent's reply it named, or empty.
  std::string ponderGuess;
  bool running() const { return process_ != nullptr; }

  bool start() {
    try {
      process_ = std::make_unique<ChildProcess>(ProcessLaunch{"/bin/sh", {"-c", command_}, "", "", ""});
    } catch (const std::runtime_error& error) {
      std::fprintf(stderr, "%s\n", error.what());
      return false;
    }
    return true;
  }

  // A well-behaved engine leaves on "quit"; one that does not is killed.
  void stop() {
    ponderGuess.clear();
    if (!process_) return;
    process_->send("quit");
    process_->closeInput();
    process_->waitForExit(1000);
    process_.reset();
  }

  bool send(const std::string& line) { return process_ && process_->send(line); }

  // The next output line, or nothing on timeout or end of output (end sets ended()).
  std::optional<std::string> readLine(long long timeoutMs) {
    return process_ ? process_->readLine(clampTimeout(timeoutMs)) : std::nullopt;
  }

  // Reads lines until one starts with prefix; nothing on timeout or end of output.
  std::optional<std::string> waitFor(const std::string& prefix, long long timeoutMs) {
    return process_ ? process_->waitForLine(prefix, clampTimeout(timeoutMs)) : std::nullopt;
  }

  bool ended() const { return !process_ || process_->outputEnded(); }

 private:
  static int clampTimeout(long long timeoutMs) { return static_cast<int>(std::clamp(timeoutMs, 0LL, 1LL << 30)); }

  std::string command_;
  bool uci_;
  std::unique_ptr<ChildProcess> process_;
};

// Each game slot keeps a referee with its own tables: about a hundred megabytes.
constexpr int MAX_CONCURRENCY = 64;
constexpr int MAX_NODE_VARY_PERCENT = 90;

struct Settings {
  std::string commands[2];
  std::vector<std::string> options[2];  // "setoption" lines for each engine
  bool uci[2] = {true, true};
  int games = 2;
  long long baseMs = 10000;
  long long incrementMs = 100;
  std::vector<std::string> positions = {"startpos"};
  std::string pgnPath;
  int maxPlies = 700;
  long long transportMs = 0;
  bool checkResults = false;
  bool ponder = false;
  bool chess960 = false;
  bool sprt = false;
  SprtBounds sprtBounds;
  int concurrency = 1;  // games played at once, each pair by one slot
  long long nodes = 0;  // nodes per move instead of the clock; 0: the clock
  int nodeVaryPercent = 0;
};

// A move's node count under -nodes: N, or with -nodevary N moved by up to that share
// either way, drawn by a hash of the round and ply so that every run plays the same games.
long long nodesForMove(const Settings& settings, int round, int ply) {
  if (settings.nodeVaryPercent == 0) return settings.nodes;
  std::uint64_t hash = (static_cast<std::uint64_t>(round) << 32) ^ static_cast<std::uint64_t>(ply);
  hash += 0x9e3779b97f4a7c15ULL;  // splitmix64's mixing
  hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9ULL;
  hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebULL;
  hash ^= hash >> 31;
  const long long steps = 2LL * settings.nodeVaryPercent + 1;
  const long long percent = 100 - settings.nodeVaryPercent + static_cast<long long>(hash % static_cast<std::uint64_t>(steps));
  return std::max(settings.nodes * percent / 100, 1LL);
}

// How games end, as the driver counts them.
enum Ending { MATE, STALEMATE, REPETITION, FIFTY_MOVES, INSUFFICIENT_MATERIAL, GAME_LENGTH, ENDING_COUNT };
const char* const endingNames[ENDING_COUNT] = {"mate", "stalemate", "repetition", "fifty", "material", "length"};

// The ending an outcome of the rules names.
Ending endingOf(GameOutcome outcome) {
  switch (outcome) {
    case GameOutcome::CHECKMATE: return MATE;
    case GameOutcome::STALEMATE: return STALEMATE;
    case GameOutcome::REPETITION: return REPETITION;
    case GameOutcome::FIFTY_MOVES: return FIFTY_MOVES;
    case GameOutcome::INSUFFICIENT_MATERIAL: return INSUFFICIENT_MATERIAL;
    case GameOutcome::PLAYING: break;
  }
  return GAME_LENGTH;
}

struct Tally {
  int wins[2] = {0, 0};  // by engine
  int draws = 0;
  int illegalMoves = 0;
  int timeLosses = 0;
  int crashes = 0;
  int wrongResultLines = 0;
  int endings[ENDING_COUNT] = {};
};


// Starts an engine and completes the protocol's greeting, setting its options.
bool greet(Player& engine, const Settings& settings, int index) {
  if (!engine.start()) return false;
  if (engine.uci()) {
    engine.send("uci");
    if (!engine.waitFor("uciok", 10000)) return false;
    if (settings.ponder) engine.send("setoption name Ponder value true");
    for (const std::string& option : settings.options[index]) engine.send(option);
    engine.send("isready");
    return engine.waitFor("readyok", 10000).has_value();
  }
  engine.send("xboard");
  engine.send("protover 2");
  for (;;) {
    const auto line = engine.readLine(10000);
    if (!line) return false;
    if (line->rfind("feature", 0) == 0 && line->find("done=1") != std::string::npos) return true;
  }
}

// "level" writes the base in whole seconds: it is rounded to the nearest second, and
// a base under half a second still becomes one second, because "0:00" would announce
// an untimed game. The clock itself reaches the engine exactly, in centiseconds,
// through "time" and "otim" before every move.
std::string levelText(long long baseMs, long long incrementMs) {
  const long long seconds = std::max((baseMs + 500) / 1000, 1LL);
  char text[64];
  std::snprintf(text, sizeof text, "level 0 %lld:%02lld %g", seconds / 60, seconds % 60, incrementMs / 1000.0);
  return text;
}

// Prepares an engine for a new game and waits until it has taken everything in.
bool newGame(Player& engine, const Settings& settings, const std::string& fen) {
  if (engine.uci()) {
    engine.send(std::string("setoption name UCI_Chess960 value ") + (settings.chess960 ? "true" : "false"));
    engine.send("ucinewgame");
    engine.send("isready");
    return engine.waitFor("readyok", 10000).has_value();
  }
  engine.send("new");
  if (settings.chess960) engine.send("variant fischerandom");
  engine.send(settings.ponder ? "hard" : "easy");
  engine.send("post");
  engine.send(levelText(settings.baseMs, settings.incrementMs));
  if (fen != "startpos") engine.send("setboard " + fen);
  engine.send("ping 1");
  return engine.waitFor("pong 1", 10000).has_value();
}

struct Game {
  std::string fen;
  bool chess960 = false;
  std::vector<std::string> coordinateMoves;  // as sent to UCI engines
  std::vector<std::string> sanMoves;
  std::vector<MoveReport> moveReports;
  std::string result = "*";
  std::string termination;
};

enum class Fault { NONE, ILLEGAL, TIME, CRASH };

// How long a node-limited search may take before the engine counts as hung.
constexpr long long NODE_SEARCH_WAIT_MS = 60000;

// "position" for a UCI engine: the game so far and, when given, one more move.
std::string positionCommand(const Game& game, const std::string& extraMove = "") {
  std::string position = game.fen == "startpos" ? "position startpos" : "position fen " + game.fen;
  if (!game.coordinateMoves.empty() || !extraMove.empty()) position += " moves";
  for (const std::string& move : game.coordinateMoves) position += " " + move;
  if (!extraMove.empty()) position += " " + extraMove;
  return position;
}

// "go" (or "go ponder") with both clocks as they stand.
std::string goCommand(const char* word, const long long clocks[2], long long incrementMs) {
  // A clock overdrawn within the transport allowance is reported as empty.
  const long long white = std::max(clocks[WHITE], 0LL);
  const long long black = std::max(clocks[BLACK], 0LL);
  char go[160];
  std::snprintf(go, sizeof go, "%s wtime %lld btime %lld winc %lld binc %lld", word, white, black, incrementMs,
                incrementMs);
  return go;
}

// Ends a UCI engine's pondering on a reply that was not played (or a game that ended),
// reading the "bestmove" that the stopped search owes.
bool stopPondering(Player& engine) {
  if (engine.ponderGuess.empty()) return true;
  engine.ponderGuess.clear();
  engine.send("stop");
  return engine.waitFor("bestmove", 5000).has_value();
}

// Asks the engine for its move; returns the text after "bestmove" or "move" (the
// move and, from a UCI engine, its ponder reply) or sets the fault. A UCI engine
// that pondered on the move played is told "ponderhit", one that pondered on another reply
// is stopped and asked afresh. With `nodes` a UCI engine searches that many nodes and
// has NODE_SEARCH_WAIT_MS to answer.
std::string requestMove(Player& engine, const Game& game, const long long clocks[2], long long incrementMs,
                        long long nodes, int side, const std::string& lastMove, bool first, Fault& fault,
                        MoveReport& report) {
  const bool ponderHit = engine.uci() && !engine.ponderGuess.empty() && !game.coordinateMoves.empty() &&
                         engine.ponderGuess == game.coordinateMoves.back();
  if (!ponderHit && !stopPondering(engine)) {
    fault = engine.ended() ? Fault::CRASH : Fault::TIME;
    return "";
  }
  engine.ponderGuess.clear();
  const auto start = Clock::now();
  if (ponderHit) {
    engine.send("ponderhit");
  } else if (engine.uci()) {
    engine.send(positionCommand(game));
    engine.send(nodes > 0 ? "go nodes " + std::to_string(nodes) : goCommand("go", clocks, incrementMs));
  } else {
    engine.send("time " + std::to_string(std::max(clocks[side], 0LL) / 10));
    engine.send("otim " + std::to_string(std::max(clocks[side ^ 1], 0LL) / 10));
    engine.send(first ? "go" : lastMove);
  }
  // Some grace beyond the clock so that a late move is seen as a time loss, not a hang.
  const long long waitMs = nodes > 0 ? NODE_SEARCH_WAIT_MS : std::max(clocks[side], 0LL) + 5000;
  const std::string prefix = engine.uci() ? "bestmove" : "move ";
  for (;;) {
    const long long left = waitMs - millisecondsSince(start);
    const auto line = left > 0 ? engine.readLine(left) : std::nullopt;
    if (!line) {
      fault = engine.ended() ? Fault::CRASH : Fault::TIME;
      report.elapsedMs = millisecondsSince(start);
      return "";
    }
    if (!engine.uci() && (line->rfind("Illegal move", 0) == 0 || *line == "resign")) {
      // The engine refused a move this driver checked, or gave up: either way it loses.
      fault = Fault::ILLEGAL;
      report.elapsedMs = millisecondsSince(start);
      std::fprintf(stderr, "engine said: %s\n", line->c_str());
      return "";
    }
    if (line->rfind(prefix, 0) != 0) {
      readThinking(*line, engine.uci(), report);
      continue;
    }
    report.elapsedMs = millisecondsSince(start);
    std::string text = line->substr(prefix.size());
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
  }
}

// The first word of a move answer, and the word after "ponder" in it.
std::string firstWord(const std::string& text) { return text.substr(0, text.find(' ')); }
std::string ponderReply(const std::string& text) {
  const std::size_t at = text.find(" ponder ");
  return at == std::string::npos ? "" : firstWord(text.substr(at + 8));
}

// Whether the engine prints the expected result line soon after its last move.
bool printedResult(Player& engine, const std::string& expected) {
  const auto start = Clock::now();
  while (millisecondsSince(start) < 3000) {
    const auto line = engine.readLine(3000 - millisecondsSince(start));
    if (!line) return false;
    if (line->rfind("1-0", 0) == 0 || line->rfind("0-1", 0) == 0 || line->rfind("1/2-1/2", 0) == 0) {
      if (*line == expected) return true;
      std::fprintf(stderr, "result line \"%s\", expected \"%s\"\n", line->c_str(), expected.c_str());
      return false;
    }
  }
  return false;
}

// The game as PGN text.
std::string pgnText(const Game& game, const std::string names[2], int round) {
  std::string tags = "[Event \"match\"]\n[Site \"local\"]\n[Round \"" + std::to_string(round) + "\"]\n[White \"" +
                     names[0] + "\"]\n[Black \"" + names[1] + "\"]\n[Result \"" + game.result + "\"]\n";
  if (game.chess960) tags += "[Variant \"Chess960\"]\n";
  if (game.fen != "startpos") tags += "[SetUp \"1\"]\n[FEN \"" + game.fen + "\"]\n";
  tags += "[Termination \"" + game.termination + "\"]\n\n";
  // Move numbers follow the side to move of the start position.
  const bool blackFirst = game.fen != "startpos" && game.fen.find(" b") != std::string::npos;
  std::string text;
  for (std::size_t i = 0; i < game.sanMoves.size(); ++i) {
    const std::size_t ply = i + (blackFirst ? 1 : 0);
    if (ply % 2 == 0) text += std::to_string(ply / 2 + 1) + ". ";
    if (i == 0 && blackFirst) text += "1... ";
    text += game.sanMoves[i] + " {" + moveComment(game.moveReports[i]) + "} ";
  }
  text += game.result;
  std::size_t column = 0;
  std::string wrapped;
  bool inComment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' || text[i] == '}') inComment = text[i] == '{';
    if (text[i] == ' ' && column > 72 && !inComment) {
      wrapped += '\n';
      column = 0;
      continue;
    }
    wrapped += text[i];
    ++column;
  }
  return tags + wrapped + "\n\n";
}

// Leaves out the start positions no game can be played from, each named on standard
// error: a FEN the referee does not take, and a position whose game is over already
// (mate, stalemate, a draw by the rules), where the side to move could only answer
// with no move and be scored for an illegal one. False when none is left.
bool keepPlayablePositions(velt::Engine& referee, std::vector<std::string>& positions) {
  std::vector<std::string> playable;
  for (const std::string& fen : positions) {
    const bool taken = startGame(referee, fen == "startpos" ? "" : fen.c_str(), false);
    referee.gamePosition.ply = 0;
    if (taken && gameOutcome(referee.gamePosition, 0) == GameOutcome::PLAYING) {
      playable.push_back(fen);
    } else {
      std::fprintf(stderr, "start position %s: %s; left out\n", fen.c_str(),
                   taken ? "the game is over already" : "not a position the referee takes");
    }
  }
  positions = std::move(playable);
  return !positions.empty();
}

// Plays one game; engines[0] has white. Returns false when the game could not start.
bool playGame(velt::Engine& referee, Player* engines[2], const Settings& settings, Game& game, Tally& tally,
              const int engineIndex[2], int round) {
  if (!startGame(referee, game.fen == "startpos" ? "" : game.fen.c_str(), false)) return false;
  for (int side = 0; side < 2; ++side) {
    if (!engines[side]->running() && !greet(*engines[side], settings, engineIndex[side])) return false;
    if (!newGame(*engines[side], settings, game.fen)) return false;
  }
  long long clocks[2] = {settings.baseMs, settings.baseMs};
  bool started[2] = {false, false};
  std::string lastMove;
  // The side to move loses the game by a fault of its engine.
  auto forfeit = [&](int side, Fault fault, const std::string& text, long long elapsed) {
    const char* reason = fault == Fault::ILLEGAL ? "illegal move" : fault == Fault::TIME ? "time forfeit" : "crash";
    std::fprintf(stderr, "game lost by %s (%s): \"%s\", %lld ms of %lld\n", side == WHITE ? "white" : "black",
                 reason, text.c_str(), elapsed, clocks[side]);
    tally.illegalMoves += fault == Fault::ILLEGAL;
    tally.timeLosses += fault == Fault::TIME;
    tally.crashes += fault == Fault::CRASH;
    // An engine that crashed or hangs is started afresh for the next game.
    if (fault != Fault::ILLEGAL) engines[side]->stop();
    game.result = side == WHITE ? "0-1" : "1-0";
    game.termination = reason;
    ++tally.wins[engineIndex[side ^ 1]];
  };
  for (;;) {
    Worker& pos = referee.gamePosition;
    const int side = pos.side;
    Player& engine = *engines[side];
    Fault fault = Fault::NONE;
    MoveReport report;
    const bool first = !started[side] && (engine.uci() || game.coordinateMoves.empty());
    const long long nodes = settings.nodes > 0 ? nodesForMove(settings, round, pos.gamePly) : 0;
    const std::string text = requestMove(engine, game, clocks, settings.incrementMs, nodes, side, lastMove, first,
                                         fault, report);
    const long long elapsed = report.elapsedMs;
    started[side] = true;
    const Move move = fault == Fault::NONE ? legalMoveFromText(pos, firstWord(text).c_str()) : MOVE_NONE;
    if (fault == Fault::NONE && move == MOVE_NONE) fault = Fault::ILLEGAL;
    if (fault == Fault::NONE && nodes == 0 && elapsed > clocks[side] + settings.transportMs) fault = Fault::TIME;
    if (fault != Fault::NONE) {
      forfeit(side, fault, text, elapsed);
      return true;
    }
    clocks[side] += settings.incrementMs - elapsed;
    const bool chess960Castling = settings.chess960 && (move & FLAG_CASTLE);
    makeGameMove(referee, move);
    game.coordinateMoves.emplace_back(moveToUci(move, settings.chess960 ? &pos.castling : nullptr));
    lastMove = chess960Castling ? ((move & FLAG_CASTLE_SHORT) ? "O-O" : "O-O-O") : game.coordinateMoves.back();
    // A score of 0 lets the rules judge the material alone; the mover is the engine.
    pos.ply = 0;
    const GameOutcome outcome = gameOutcome(pos, 0);
    if (outcome == GameOutcome::CHECKMATE) {
      if (char* plus = std::strchr(referee.game.moveHistory[pos.gamePly - 1], '+')) *plus = '#';
    }
    game.sanMoves.emplace_back(referee.game.moveHistory[pos.gamePly - 1]);
    game.moveReports.push_back(report);
    if (outcome == GameOutcome::PLAYING && pos.gamePly < settings.maxPlies) {
      const std::string reply = settings.ponder && engine.uci() ? ponderReply(text) : "";
      if (reply.empty()) continue;
      // The engine thinks on the reply it named, which must be legal.
      if (legalMoveFromText(pos, reply.c_str()) == MOVE_NONE) {
        forfeit(side, Fault::ILLEGAL, text, elapsed);
        return true;
      }
      engine.ponderGuess = reply;
      engine.send(positionCommand(game, reply));
      engine.send(goCommand("go ponder", clocks, settings.incrementMs));
      continue;
    }
    const Ending ending = endingOf(outcome);
    ++tally.endings[ending];
    game.termination = endingNames[ending];
    if (ending == MATE) {
      game.result = side == WHITE ? "1-0" : "0-1";
      ++tally.wins[engineIndex[side]];
    } else {
      game.result = "1/2-1/2";
      ++tally.draws;
    }
    if (settings.checkResults && ending != GAME_LENGTH && !printedResult(engine, resultLine(outcome, pos.side, side))) {
      ++tally.wrongResultLines;
    }
    return true;
  }
}

bool parseArguments(int argc, char** argv, Settings& settings) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (option == "-results" || option == "-ponder" || option == "-chess960") {
      (option == "-results" ? settings.checkResults : option == "-ponder" ? settings.ponder : settings.chess960) = true;
      continue;
    }
    if (value == nullptr) return false;
    if (option == "-sprt") {
      if (i + 4 >= argc) return false;
      settings.sprt = true;
      settings.sprtBounds = {std::atof(argv[i + 1]), std::atof(argv[i + 2]), std::atof(argv[i + 3]),
                             std::atof(argv[i + 4])};
      i += 4;
      const SprtBounds& bounds = settings.sprtBounds;
      if (!(bounds.elo0 < bounds.elo1 && bounds.alpha > 0 && bounds.alpha < 1 && bounds.beta > 0 && bounds.beta < 1)) {
        return false;
      }
      continue;
    }
    ++i;
    if (option == "-e1" || option == "-e2") {
      settings.commands[option[2] - '1'] = value;
    } else if (option == "-o1" || option == "-o2") {
      const char* equals = std::strchr(value, '=');
      if (equals == nullptr || equals == value) return false;
      settings.options[option[2] - '1'].push_back("setoption name " + std::string(value, equals) + " value " +
                                                  std::string(equals + 1));
    } else if (option == "-p1" || option == "-p2") {
      if (std::strcmp(value, "uci") != 0 && std::strcmp(value, "xboard") != 0) return false;
      settings.uci[option[2] - '1'] = std::strcmp(value, "uci") == 0;
    } else if (option == "-games") {
      settings.games = std::atoi(value);
    } else if (option == "-tc") {
      const char* plus = std::strchr(value, '+');
      settings.baseMs = static_cast<long long>(std::atof(value) * 1000);
      settings.incrementMs = plus != nullptr ? static_cast<long long>(std::atof(plus + 1) * 1000) : 0;
    } else if (option == "-positions") {
      std::ifstream file(value);
      if (!file) return false;
      settings.positions.clear();
      for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] != '#') settings.positions.push_back(line);
      }
      if (settings.positions.empty()) return false;
    } else if (option == "-pgn") {
      settings.pgnPath = value;
    } else if (option == "-maxplies") {
      settings.maxPlies = std::atoi(value);
    } else if (option == "-concurrency") {
      settings.concurrency = std::atoi(value);
      if (settings.concurrency < 1 || settings.concurrency > MAX_CONCURRENCY) return false;
    } else if (option == "-nodes" || option == "-nodevary") {
      char* end = nullptr;
      const long long number = std::strtoll(value, &end, 10);
      if (*end != '\0') return false;
      if (option == "-nodes") {
        if (number < 1) return false;
        settings.nodes = number;
      } else {
        if (number < 0 || number > MAX_NODE_VARY_PERCENT) return false;
        settings.nodeVaryPercent = static_cast<int>(number);
      }
    } else if (option == "-transport") {
      settings.transportMs = std::max(std::atoll(value), 0LL);
    } else {
      return false;
    }
  }
  // Node counts and options are UCI words; pondering has no node count to stop at.
  if (settings.nodes > 0 && (!settings.uci[0] || !settings.uci[1] || settings.ponder)) return false;
  for (int engine = 0; engine < 2; ++engine) {
    if (!settings.options[engine].empty() && !settings.uci[engine]) return false;
  }
  return !settings.commands[0].empty() && !settings.commands[1].empty() && settings.games > 0 &&
         settings.baseMs > 0 && settings.maxPlies > 0 && settings.maxPlies <= MAX_RECORDED_PLY;
}

void addTally(Tally& into, const Tally& from) {
  for (int engine = 0; engine < 2; ++engine) into.wins[engine] += from.wins[engine];
  into.draws += from.draws;
  into.illegalMoves += from.illegalMoves;
  into.timeLosses += from.timeLosses;
  into.crashes += from.crashes;
  into.wrongResultLines += from.wrongResultLines;
  for (int ending = 0; ending < ENDING_COUNT; ++ending) into.endings[ending] += from.endings[ending];
}

// What the game slots share, under `lock`: the next pair of games to hand out, the
// counts, the game records and the test.
struct MatchState {
  std::mutex lock;
  int nextPair = 0;
  int played = 0;
  int unplayed = 0;
  Tally tally;
  SprtState sprt;
  bool decided = false;  // the test has accepted a hypothesis: no new pairs are started
  std::FILE* pgn = nullptr;
  // Games finished ahead of an earlier round wait here, so that the file keeps round
  // order whatever the slots' speed; an unplayed round leaves an empty text.
  std::map<int, std::string> waitingGames;
  int nextRoundToWrite = 0;
};

// Files the game of `round` (from 0) and writes every game now in order; `all` writes
// the waiting ones whatever the gaps (the match is over).
void fileGame(MatchState& state, int round, std::string text, bool all = false) {
  if (state.pgn == nullptr) return;
  if (round >= 0) state.waitingGames.emplace(round, std::move(text));
  while (!state.waitingGames.empty() && (all || state.waitingGames.begin()->first == state.nextRoundToWrite)) {
    std::fputs(state.waitingGames.begin()->second.c_str(), state.pgn);
    state.nextRoundToWrite = state.waitingGames.begin()->first + 1;
    state.waitingGames.erase(state.waitingGames.begin());
  }
  std::fflush(state.pgn);
}

// One game slot: its own referee and its own two engine processes, playing whole pairs
// (one position, colours swapped) until every game is handed out or the test has
// decided; a pair under way when another slot's pair decides is still played out.
void playSlot(const Settings& settings, velt::Engine& referee, MatchState& state) {
  Player first(settings.commands[0], settings.uci[0]);
  Player second(settings.commands[1], settings.uci[1]);
  for (;;) {
    int pair;
    {
      std::lock_guard<std::mutex> guard(state.lock);
      if (state.decided || 2 * state.nextPair >= settings.games) return;
      pair = state.nextPair++;
    }
    int pairHalfPoints = 0;  // engine 1's half points in the pair; -1 once a game of it was not played
    const int lastRound = std::min(2 * pair + 2, settings.games);
    for (int round = 2 * pair; round < lastRound; ++round) {
      const bool swapped = round % 2 == 1;
      Player* engines[2] = {swapped ? &second : &first, swapped ? &first : &second};
      const int engineIndex[2] = {swapped ? 1 : 0, swapped ? 0 : 1};
      Game game;
      game.fen = settings.positions[static_cast<std::size_t>(pair) % settings.positions.size()];
      game.chess960 = settings.chess960;
      Tally gameTally;
      const bool played = playGame(referee, engines, settings, game, gameTally, engineIndex, round);
      // An engine still pondering when the game ended owes a "bestmove" before the next.
      for (Player* engine : {&first, &second}) {
        if (!stopPondering(*engine)) engine->stop();
      }
      if (!played) {
        first.stop();
        second.stop();
        pairHalfPoints = -1;
      } else if (pairHalfPoints >= 0) {
        const int whiteHalfPoints = game.result == "1-0" ? 2 : game.result == "0-1" ? 0 : 1;
        pairHalfPoints += swapped ? 2 - whiteHalfPoints : whiteHalfPoints;
      }
      std::lock_guard<std::mutex> guard(state.lock);
      if (!played) {
        std::fprintf(stderr, "game %d could not be started\n", round + 1);
        ++state.unplayed;
        fileGame(state, round, "");
        continue;
      }
      ++state.played;
      addTally(state.tally, gameTally);
      std::printf("game %d: %s %s (%s, %zu plies)\n", round + 1, game.result.c_str(), swapped ? "e2-e1" : "e1-e2",
                  game.termination.c_str(), game.sanMoves.size());
      std::fflush(stdout);
      const std::string names[2] = {swapped ? "engine 2" : "engine 1", swapped ? "engine 1" : "engine 2"};
      fileGame(state, round, pgnText(game, names, round + 1));
    }
    // A complete pair counts; one with an unplayed game does not. The pairs give the
    // Elo of the summary line; the test, when asked for, decides on them.
    if (lastRound != 2 * pair + 2) continue;
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.decided || pairHalfPoints < 0) continue;
    addPair(state.sprt, pairHalfPoints);
    if (!settings.sprt) continue;
    std::printf("%s\n", sprtStatus(state.sprt).c_str());
    std::fflush(stdout);
    state.decided = sprtVerdict(state.sprt) != SprtVerdict::CONTINUE;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!parseArguments(argc, argv, settings)) {
    std::fprintf(stderr,
                 "usage: match -e1 CMD -p1 uci|xboard -e2 CMD -p2 uci|xboard [-games N] [-tc BASE+INC]\n"
                 "             [-positions FILE] [-pgn FILE] [-maxplies N] [-transport MS] [-results] [-ponder]\n"
                 "             [-chess960] [-sprt ELO0 ELO1 ALPHA BETA] [-concurrency N] [-nodes N] [-nodevary PERCENT]\n"
                 "             [-o1 NAME=VALUE]... [-o2 NAME=VALUE]...\n");
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  // The referees are made one after the other: making one also seeds the C library's
  // random generator, which is not for several threads at once.
  const int slots = std::min(settings.concurrency, (settings.games + 1) / 2);
  std::vector<std::unique_ptr<velt::Engine>> referees;
  for (int slot = 0; slot < slots; ++slot) {
    referees.push_back(std::make_unique<velt::Engine>());
    if (!initApp(*referees.back())) return 1;
  }
  if (!keepPlayablePositions(*referees[0], settings.positions)) {
    std::fprintf(stderr, "no start position to play from\n");
    return 1;
  }
  MatchState state;
  state.sprt.bounds = settings.sprtBounds;
  if (!settings.pgnPath.empty()) {
    state.pgn = std::fopen(settings.pgnPath.c_str(), "w");
    if (state.pgn == nullptr) {
      std::fprintf(stderr, "cannot write %s\n", settings.pgnPath.c_str());
      return 1;
    }
  }
  std::vector<std::thread> threads;
  for (int slot = 1; slot < slots; ++slot) {
    threads.emplace_back(playSlot, std::cref(settings), std::ref(*referees[slot]), std::ref(state));
  }
  playSlot(settings, *referees[0], state);
  for (std::thread& thread : threads) thread.join();
  fileGame(state, -1, "", true);
  if (state.pgn != nullptr) std::fclose(state.pgn);
  const Tally& tally = state.tally;
  std::printf("summary games=%d e1_wins=%d e2_wins=%d draws=%d illegal=%d timeloss=%d crash=%d wrong_result=%d "
              "unplayed=%d",
              state.played, tally.wins[0], tally.wins[1], tally.draws, tally.illegalMoves, tally.timeLosses,
              tally.crashes, tally.wrongResultLines, state.unplayed);
  for (int ending = 0; ending < ENDING_COUNT; ++ending) std::printf(" %s=%d", endingNames[ending], tally.endings[ending]);
  if (pairCount(state.sprt) > 0) {
    std::printf(" pairs=%d elo=%+.1f elo_margin=%.1f", pairCount(state.sprt), eloEstimate(state.sprt),
                eloMargin(state.sprt));
  }
  std::printf("\n");
  return 0;
}
