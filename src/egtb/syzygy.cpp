// Syzygy tables through Fathom, compiled in from third_party/fathom. The library reads
// a table's file at the table's first probe and checks each read against the file's
// end, so a damaged file is refused there; its complaints go to standard error, never
// to the protocol channel. The load hands it the user's folders and names the files
// that are plainly no Syzygy tables.
#include "egtb/syzygy.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include <tbprobe.h>

#include "platform/paths.h"

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

}  // namespace

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
  // The library forgets its tables when it is handed an empty path.
  if (tables.files > 0) tb_init("");
  tables.path.clear();
  tables.files = tables.largest = 0;
}

SyzygyLoadReport loadSyzygy(SyzygyTables& tables, const std::string& pathList) {
  unloadSyzygy(tables);
  SyzygyLoadReport report;
  std::vector<std::string> folders;
  // The library opens a file from the first folder that holds its name.
  std::set<std::string> named;
  for (const std::string& folder : splitPathList(pathList)) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
      report.faults.push_back("Syzygy: no such folder: " + folder);
      continue;
    }
    folders.push_back(folder);
    // By name, so that the report reads the same on every system.
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : entries) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (!endsWith(name, WDL_SUFFIX) && !endsWith(name, DTZ_SUFFIX)) continue;
      if (menOfName(fs::path(name).stem().string()) == 0 || !named.insert(name).second) continue;
      const std::string file = joinPath(folder, name);
      const std::string fault = syzygyFileFault(file);
      if (fault.empty()) {
        ++report.files;
      } else {
        report.faults.push_back("Syzygy: " + file + " left unused (" + fault + ")");
      }
    }
  }
  if (report.files == 0) return report;
  tb_init(joinPathList(folders).c_str());
  tables.path = pathList;
  tables.files = report.files;
  tables.largest = report.largest = static_cast<int>(TB_LARGEST);
  return report;
}

bool probeSyzygyWdl(const Position& pos, SyzygyWdl& wdl) {
  const FathomBoard b = fathomBoard(pos);
  const unsigned result = tb_probe_wdl(b.white, b.black, b.kings, b.queens, b.rooks, b.bishops, b.knights, b.pawns,
                                       0, 0, b.ep, b.whiteToMove);
  if (result == TB_RESULT_FAILED) return false;
  wdl = static_cast<SyzygyWdl>(result);
  return true;
}

bool probeSyzygyRoot(const Position& pos, SyzygyRoot& root) {
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
