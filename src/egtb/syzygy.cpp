// Syzygy tables through Fathom. The library prints its own complaints about files on
// standard output, the protocol channel, so it is handed a private folder of links to
// the files that passed the checks here, never the user's folders themselves. It also
// trusts a table's header and index when it first reads them, and a damaged one can
// crash it: before this process probes anything, a child process probes every table
// and the files it dies on are left out.
#include "egtb/syzygy.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <system_error>
#include <tuple>

#ifdef VELT_HAVE_FATHOM
#include <tbprobe.h>
#endif

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace velt {

namespace {

namespace fs = std::filesystem;

constexpr const char* WDL_SUFFIX = ".rtbw";
constexpr const char* DTZ_SUFFIX = ".rtbz";
constexpr unsigned char WDL_MAGIC[4] = {0x71, 0xE8, 0x23, 0x5D};
constexpr unsigned char DTZ_MAGIC[4] = {0xD7, 0x66, 0x0C, 0xA5};
// A table's data fills whole 64-byte lines, followed by its 16-byte checksum.
constexpr std::uintmax_t FILE_ALIGNMENT = 64;
constexpr std::uintmax_t CHECKSUM_BYTES = 16;
constexpr std::uintmax_t SMALLEST_FILE = FILE_ALIGNMENT + CHECKSUM_BYTES;

bool endsWith(const std::string& text, const char* suffix) {
  const std::string tail(suffix);
  return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The men of a table name such as "KRBvKR", or 0 when the name is none.
int menOfName(const std::string& stem) {
  const std::size_t split = stem.find('v');
  if (split == std::string::npos || stem.find('v', split + 1) != std::string::npos) return 0;
  const std::string sides[2] = {stem.substr(0, split), stem.substr(split + 1)};
  int men = 0;
  for (const std::string& side : sides) {
    if (side.empty() || side[0] != 'K' || side.find_first_not_of("QRBNP", 1) != std::string::npos) return 0;
    men += static_cast<int>(side.size());
  }
  return men <= SYZYGY_MAX_MEN ? men : 0;
}

void removeFolder(std::string& folder) {
  if (folder.empty()) return;
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  folder.clear();
}

#ifdef VELT_HAVE_FATHOM
// The library forgets its tables when it is pointed at a folder without any.
void initLibrary(const std::string& folder) {
  if (!folder.empty()) tb_init(folder.c_str());
}

constexpr int FATHOM_PROMOTION_TYPES[] = {0, QUEEN, ROOK, BISHOP, KNIGHT};  // by TB_PROMOTES_*

struct FathomBoard {
  std::uint64_t white, black, kings, queens, rooks, bishops, knights, pawns;
  unsigned ep;
  bool whiteToMove;
};

FathomBoard fathomBoard(const Position& pos) {
  const auto both = [&](int type) { return pos.pieceBB[WHITE][type] | pos.pieceBB[BLACK][type]; };
  return {pos.colourBB[WHITE], pos.colourBB[BLACK], both(KING),  both(QUEEN),
          both(ROOK),          both(BISHOP),        both(KNIGHT), both(PAWN),
          pos.epSquare >= 0 ? static_cast<unsigned>(pos.epSquare) : 0u, pos.side == WHITE};
}

// The check of the accepted files. A table's header is read at its first probe and
// its index where a probe leads, so each table is probed at a fixed number of
// placements, and its distance-to-zero file ranks the moves of a few decisive ones
// (a draw never reads that file). Smaller tables come first, and tables with fewer
// pawns first among those of the same men: a probe reaches the tables of the captures
// and promotions too, and those have been checked by then.
constexpr int CHECK_PLACEMENTS = 16;
constexpr int CHECK_ROOT_PROBES = 2;
constexpr int PLACEMENT_TRIES = 1000;
constexpr std::mt19937::result_type CHECK_SEED = 36;
// Time a child may spend on one file; the largest tables on a slow disk stay well below.
constexpr int CHECK_SILENCE_LIMIT_MS = 10000;

// What a child checks: the folder of links and the files in their order, from `first` on.
struct TableCheck {
  std::string folder;
  std::vector<std::string> files;
  std::size_t first = 0;
};

std::string stemOf(const std::string& fileName) { return fs::path(fileName).stem().string(); }

// A random legal placement of a table's men (e.g. "KQvKR": the first side white) with
// `side` to move; false when none was found.
bool placeMen(const std::string& stem, int side, std::mt19937& random, Position& pos) {
  constexpr int SQUARES = 64;
  for (int attempt = 0; attempt < PLACEMENT_TRIES; ++attempt) {
    Placement placement;
    std::fill(std::begin(placement.type), std::end(placement.type), NO_PIECE);
    int colour = WHITE;
    for (const char letter : stem) {
      if (letter == 'v') {
        colour = BLACK;
        continue;
      }
      const int type = pieceFromLetter(letter);
      int square;
      do {
        square = static_cast<int>(random() % SQUARES);
      } while (placement.type[square] != NO_PIECE || (type == PAWN && (rankOf(square) == 0 || rankOf(square) == 7)));
      placement.type[square] = type;
      placement.colour[square] = colour;
    }
    setUpPosition(pos, placement);
    if (findChecker(pos, pos.kingSquare[side ^ 1], side) != NO_SQUARE) continue;
    // Only the library reads this position: keys and check information may lag.
    pos.side = side;
    pos.xside = side ^ 1;
    return true;
  }
  return false;
}

// Probes placements of the table of `fileName` that read that file: their verdicts, and
// for a distance-to-zero file the ranked moves of the first decisive ones.
void probeForCheck(const std::string& fileName, Position& pos) {
  const bool distanceFile = endsWith(fileName, DTZ_SUFFIX);
  const std::string stem = stemOf(fileName);
  std::mt19937 random(CHECK_SEED);
  int rootProbes = 0;
  for (int i = 0; i < CHECK_PLACEMENTS; ++i) {
    if (!placeMen(stem, i % 2 == 0 ? WHITE : BLACK, random, pos)) return;
    SyzygyWdl wdl;
    if (!probeSyzygyWdl(pos, wdl) || !distanceFile || wdl == SyzygyWdl::DRAW || rootProbes == CHECK_ROOT_PROBES) {
      continue;
    }
    SyzygyRoot root;
    probeSyzygyRoot(pos, root);
    ++rootProbes;
  }
}

// The child's work: names each file before it probes it.
int checkFiles(void* context, ChildNotes notes) {
  const TableCheck& check = *static_cast<const TableCheck*>(context);
  initLibrary(check.folder);
  const auto pos = std::make_unique<Position>();
  for (std::size_t i = check.first; i < check.files.size(); ++i) {
    sendNote(notes, check.files[i]);
    probeForCheck(check.files[i], *pos);
  }
  return 0;
}

// The accepted files in the order of the check.
std::vector<std::string> checkOrder(const std::map<std::string, fs::path>& accepted) {
  std::vector<std::string> files;
  for (const auto& entry : accepted) files.push_back(entry.first);
  const auto rank = [](const std::string& fileName) {
    const std::string stem = stemOf(fileName);
    return std::tuple(menOfName(stem), std::count(stem.begin(), stem.end(), 'P'), stem, endsWith(fileName, DTZ_SUFFIX));
  };
  std::sort(files.begin(), files.end(), [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
  return files;
}

// A child that exits with an error has died as surely as one a signal ended.
const char* checkEndVerb(ChildEnd end) { return end == ChildEnd::HUNG ? "hung" : "crashed"; }

// Unlinks a file and forgets it, with the reason in the report.
void leaveOut(const std::string& folder, const std::string& fileName, const std::string& reason,
              std::map<std::string, fs::path>& accepted, SyzygyLoadReport& report) {
  report.faults.push_back("Syzygy: " + accepted[fileName].string() + " left unused (" + reason + ")");
  std::error_code ignored;
  fs::remove(fs::path(folder) / fileName, ignored);
  accepted.erase(fileName);
}

// Leaves out a damaged file and the other file of its table: the check of the
// distance-to-zero file reads both, and the library cannot use that file alone.
void leaveOutTable(TableCheck& check, const std::string& fileName, const std::string& reason,
                   std::map<std::string, fs::path>& accepted, SyzygyLoadReport& report) {
  leaveOut(check.folder, fileName, "damaged: " + reason, accepted, report);
  const bool winDrawLoss = endsWith(fileName, WDL_SUFFIX);
  const std::string other = stemOf(fileName) + (winDrawLoss ? DTZ_SUFFIX : WDL_SUFFIX);
  if (accepted.count(other) == 0) return;
  leaveOut(check.folder, other, std::string("its ") + (winDrawLoss ? "WDL" : "DTZ") + " file is damaged", accepted,
           report);
  const auto unchecked =
      std::find(check.files.begin() + static_cast<std::ptrdiff_t>(check.first), check.files.end(), other);
  if (unchecked != check.files.end()) check.files.erase(unchecked);
}

// Checks the accepted files, linked in `folder`, in child processes, each from where
// the last one died, and leaves out the table a child died on. A table can damage the
// library's memory without dying and leave the crash to the next one: a file a child
// died on after others is checked again in a child of its own, and when it passes
// there the table before it is left out instead. When no child can be made, or one
// dies before it names a file, nothing is kept.
void leaveOutDamaged(const std::string& folder, std::map<std::string, fs::path>& accepted, SyzygyLoadReport& report) {
  TableCheck check{folder, checkOrder(accepted), 0};
  bool again = false;
  while (check.first < check.files.size()) {
    const ChildReport child = runInChild(checkFiles, &check, CHECK_SILENCE_LIMIT_MS);
    if (child.end == ChildEnd::NOT_STARTED) {
      report.faults.push_back(std::string("Syzygy: the tables cannot be checked (") + std::strerror(child.code) +
                              "); none loaded");
      accepted.clear();
      return;
    }
    const auto from = check.files.begin() + static_cast<std::ptrdiff_t>(check.first);
    const auto died =
        child.end == ChildEnd::FINISHED ? check.files.end() : std::find(from, check.files.end(), child.lastNote);
    if (child.end != ChildEnd::FINISHED && died == check.files.end()) {
      report.faults.push_back(std::string("Syzygy: the check of the tables ") + checkEndVerb(child.end) +
                              " before it reached a file; none loaded");
      accepted.clear();
      return;
    }
    if (again && died != from) {
      again = false;
      leaveOutTable(check, check.files[check.first - 1], "the check crashed just after it", accepted, report);
      continue;
    }
    if (child.end == ChildEnd::FINISHED) return;
    // A hang is the file's own; checking it again would only wait as long once more.
    again = died != from && child.end != ChildEnd::HUNG;
    check.first = static_cast<std::size_t>(died - check.files.begin()) + (again ? 0 : 1);
    if (!again) {
      const std::string damaged = *died;
      leaveOutTable(check, damaged, std::string("the check ") + checkEndVerb(child.end) + " on it", accepted, report);
    }
  }
}
#endif

}  // namespace

bool syzygyAvailable() {
#ifdef VELT_HAVE_FATHOM
  return true;
#else
  return false;
#endif
}

std::string syzygyFileFault(const std::string& fileName) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(fileName, error);
  if (error) return "unreadable";
  if (size < SMALLEST_FILE || size % FILE_ALIGNMENT != CHECKSUM_BYTES) return "truncated or padded";
  std::ifstream file(fileName, std::ios::binary);
  unsigned char magic[4] = {};
  if (!file.read(reinterpret_cast<char*>(magic), sizeof magic)) return "unreadable";
  const unsigned char* expected = endsWith(fileName, WDL_SUFFIX) ? WDL_MAGIC : DTZ_MAGIC;
  return std::equal(magic, magic + sizeof magic, expected) ? std::string() : "not a Syzygy table";
}

void unloadSyzygy(SyzygyTables& tables) {
#ifdef VELT_HAVE_FATHOM
  if (tables.files > 0) {
    std::string empty = makePrivateFolder("velt-syzygy-");
    initLibrary(empty);
    removeFolder(empty);
  }
#endif
  removeFolder(tables.folder);
  tables.path.clear();
  tables.files = tables.largest = 0;
}

// The library is left as it is: re-initialising it only to forget the tables costs
// time and prints its complaints about unmapping on standard error; nothing probes
// through this record again.
SyzygyTables::~SyzygyTables() { removeFolder(folder); }

SyzygyLoadReport loadSyzygy(SyzygyTables& tables, const std::string& pathList) {
  unloadSyzygy(tables);
  SyzygyLoadReport report;
  if (!syzygyAvailable()) {
    report.faults.push_back("Syzygy: this build has no Syzygy support");
    return report;
  }
  // The first folder that holds a table's file wins.
  std::map<std::string, fs::path> accepted;
  for (const std::string& folder : splitPathList(pathList)) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
      report.faults.push_back("Syzygy: no such folder: " + folder);
      continue;
    }
    for (const fs::directory_entry& entry : entries) {
      const std::string name = entry.path().filename().string();
      if (!endsWith(name, WDL_SUFFIX) && !endsWith(name, DTZ_SUFFIX)) continue;
      if (menOfName(entry.path().stem().string()) == 0 || accepted.count(name) != 0) continue;
      const std::string fault = syzygyFileFault(entry.path().string());
      if (!fault.empty()) {
        report.faults.push_back("Syzygy: " + entry.path().string() + " left unused (" + fault + ")");
        continue;
      }
      accepted[name] = entry.path();
    }
  }
  if (accepted.empty()) return report;
  tables.folder = makePrivateFolder("velt-syzygy-");
  if (tables.folder.empty()) {
    report.faults.push_back("Syzygy: cannot make a temporary folder");
    return report;
  }
  for (auto link = accepted.begin(); link != accepted.end();) {
    std::error_code error;
    const fs::path target = fs::absolute(link->second, error);
    if (!error) fs::create_symlink(target, fs::path(tables.folder) / link->first, error);
    link = error ? accepted.erase(link) : std::next(link);
  }
#ifdef VELT_HAVE_FATHOM
  leaveOutDamaged(tables.folder, accepted, report);
  if (accepted.empty()) {
    removeFolder(tables.folder);
    return report;
  }
  tables.files = static_cast<int>(accepted.size());
  initLibrary(tables.folder);
  tables.largest = static_cast<int>(TB_LARGEST);
#endif
  tables.path = pathList;
  report.files = tables.files;
  report.largest = tables.largest;
  return report;
}

bool probeSyzygyWdl(const Position& pos, SyzygyWdl& wdl) {
#ifdef VELT_HAVE_FATHOM
  const FathomBoard b = fathomBoard(pos);
  const unsigned result = tb_probe_wdl(b.white, b.black, b.kings, b.queens, b.rooks, b.bishops, b.knights, b.pawns,
                                       0, 0, b.ep, b.whiteToMove);
  if (result == TB_RESULT_FAILED) return false;
  wdl = static_cast<SyzygyWdl>(result);
  return true;
#else
  (void)pos;
  (void)wdl;
  return false;
#endif
}

bool probeSyzygyRoot(const Position& pos, SyzygyRoot& root) {
#ifdef VELT_HAVE_FATHOM
  static_assert(SYZYGY_ROOT_MOVES >= TB_MAX_MOVES);
  const FathomBoard b = fathomBoard(pos);
  unsigned results[TB_MAX_MOVES];
  const unsigned result = tb_probe_root(b.white, b.black, b.kings, b.queens, b.rooks, b.bishops, b.knights, b.pawns,
                                        static_cast<unsigned>(pos.rule50), 0, b.ep, b.whiteToMove, results);
  // A mate or a stalemate has no moves to rank.
  if (result == TB_RESULT_FAILED || result == TB_RESULT_CHECKMATE || result == TB_RESULT_STALEMATE) return false;
  root.wdl = static_cast<SyzygyWdl>(TB_GET_WDL(result));
  root.dtz = static_cast<int>(TB_GET_DTZ(result));
  root.count = 0;
  for (int i = 0; i < TB_MAX_MOVES && results[i] != TB_RESULT_FAILED; ++i) {
    const unsigned r = results[i];
    root.moves[root.count++] = {static_cast<int>(TB_GET_FROM(r)), static_cast<int>(TB_GET_TO(r)),
                                FATHOM_PROMOTION_TYPES[TB_GET_PROMOTES(r)], static_cast<SyzygyWdl>(TB_GET_WDL(r)),
                                static_cast<int>(TB_GET_DTZ(r))};
  }
  return true;
#else
  (void)pos;
  (void)root;
  return false;
#endif
}

SyzygyWdl effectiveWdl(SyzygyWdl wdl, bool fiftyMoveRule) {
  if (fiftyMoveRule) return wdl;
  if (wdl == SyzygyWdl::CURSED_WIN) return SyzygyWdl::WIN;
  if (wdl == SyzygyWdl::BLESSED_LOSS) return SyzygyWdl::LOSS;
  return wdl;
}

int syzygyScore(SyzygyWdl wdl, int ply, bool fiftyMoveRule, int drawScore) {
  switch (effectiveWdl(wdl, fiftyMoveRule)) {
    case SyzygyWdl::WIN: return SYZYGY_WIN_SCORE - ply;
    case SyzygyWdl::LOSS: return ply - SYZYGY_WIN_SCORE;
    default: return drawScore;
  }
}

int syzygyRank(const SyzygyMoveOutcome& move, bool fiftyMoveRule, bool progress) {
  // Distances stay far below this step, so the verdict always ranks first.
  constexpr int VERDICT_STEP = 1 << 16;
  const SyzygyWdl wdl = effectiveWdl(move.wdl, fiftyMoveRule);
  int rank = static_cast<int>(wdl) * VERDICT_STEP;
  if (progress && wdl > SyzygyWdl::DRAW) rank -= move.dtz;
  if (progress && wdl < SyzygyWdl::DRAW) rank += move.dtz;
  return rank;
}

}  // namespace velt
