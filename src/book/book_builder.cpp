// Book building: PGN reading, the position counts and the book file writer.
#include "book/book_builder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "board/san.h"
#include "book/book.h"
#include "book/pgn_comments.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"
#include "platform/files.h"

namespace velt {

namespace {

constexpr int MAX_TOKEN_LENGTH = 8;      // longer move tokens are errors
constexpr int POOL_BLOCK_BYTES = 260;    // pool use per 16 records of one bucket
constexpr int POOL_BLOCK_RECORDS = 16;
constexpr int KEEP_SINGLE_BEFORE_MOVE = 20;  // a position seen once is kept when it came earlier
constexpr char RESULT_TAG[] = "esult \"";
constexpr char FIRST_MOVE[] = "1.";
constexpr char MOVE_AFTER_LAST[] = "26.";
constexpr char VARIANT_TAG[] = "[Variant \"";

// The positions seen so far, per bucket in the order first seen. During building
// `priority` holds the move number at which the position was first reached.
struct BuildTable {
  std::vector<std::vector<BookRecord>> buckets;
  long long poolLimit = 0;
  long long poolUsed = 0;
  const BookBuildProgress* progress = nullptr;
};

// Calls a progress hook when it is set.
template <typename Hook, typename... Args>
void tell(const BookBuildProgress& progress, Hook hook, Args&&... args) {
  if (hook) hook(progress.context, std::forward<Args>(args)...);
}

// Lines of the PGN file; one line can be handed back to be read again.
struct PgnLines {
  std::ifstream in;
  std::string pending;
  bool hasPending = false;

  bool next(std::string& line) {
    if (hasPending) {
      line.swap(pending);
      hasPending = false;
      return true;
    }
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
  void giveBack(std::string& line) {
    pending.swap(line);
    hasPending = true;
  }
};

// Appends a line to the game text, cutting the text at the last blank that keeps it
// within GAME_TEXT_LIMIT characters.
void appendMoveText(std::string& text, const std::string& line) {
  text += line;
  text += '\n';
  if (text.size() < GAME_TEXT_LIMIT) return;
  std::size_t cut = text.find_last_of(" \t\n", GAME_TEXT_LIMIT - 1);
  text.resize(cut == std::string::npos ? 0 : cut);
}

int resultOfTag(const std::string& line, std::size_t tagAt) {
  const std::string value = line.substr(tagAt + std::strlen(RESULT_TAG), 3);
  if (value == "1-0") return 1;
  if (value == "0-1") return -1;
  return 0;
}

// Whether a tag line names Chess960 as the game's variant ("Chess960",
// "fischerandom", "Fischer Random").
bool isChess960Tag(const std::string& line) {
  if (line.rfind(VARIANT_TAG, 0) != 0) return false;
  std::string value = line.substr(std::strlen(VARIANT_TAG));
  for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return value.find("960") != std::string::npos || value.find("fischer") != std::string::npos;
}

// The move text of the game whose Result tag was just read: its first 25 moves;
// `chess960` is set when a tag after the Result tag names Chess960. False when the
// file ended before any move text.
bool readMoveText(PgnLines& lines, std::string& text, bool& chess960) {
  PgnCommentFilter filter;
  std::string line;
  bool started = false;
  while (lines.next(line)) {
    if (!line.empty() && line[0] == '[') {
      if (!started) {
        chess960 = chess960 || isChess960Tag(line);
        continue;
      }
      lines.giveBack(line);  // the next game's tag, maybe its Result tag
      return true;
    }
    filter.apply(line);
    if (!started && line.find(FIRST_MOVE) == std::string::npos) continue;
    started = true;
    const std::size_t last = line.find(MOVE_AFTER_LAST);
    appendMoveText(text, line.substr(0, last));
    if (last != std::string::npos) return true;
  }
  return started;
}

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Counts the position now on the board. False when the pool is exhausted.
bool addPosition(BuildTable& build, const Position& pos, int result) {
  std::vector<BookRecord>& bucket = build.buckets[bookBucketOf(pos.hashKey)];
  const std::uint32_t key = bookKeyOf(pos.hashKey);
  // Scores are kept from the side that made the move into the position.
  const int score = pos.side == BLACK ? result : -result;
  for (BookRecord& record : bucket) {
    if (record.key != key) continue;
    if (record.games < BOOK_COUNTER_LIMIT) {
      ++record.games;
      record.score = static_cast<std::int16_t>(std::clamp(record.score + score, -32768, 32767));
    }
    return true;
  }
  if (bucket.size() % POOL_BLOCK_RECORDS == 0) {
    build.poolUsed += POOL_BLOCK_BYTES;
    if (build.poolUsed > build.poolLimit) {
      tell(*build.progress, build.progress->poolFull);
      return false;
    }
  }
  BookRecord record;
  record.key = key;
  record.games = 1;
  record.score = static_cast<std::int16_t>(score);
  record.priority = static_cast<std::int16_t>(pos.gamePly / 2);
  bucket.push_back(record);
  return true;
}

void rewindGame(EvalPosition& pos) {
  while (pos.gamePly > 0) {
    pos.ply = 1;
    unmakeMove(pos);
  }
  pos.ply = 0;
}

// Plays the game text from the start position and counts its positions. False when
// the pool is exhausted and reading must stop.
bool processGame(BuildTable& build, EvalPosition& pos, const std::string& text, int result) {
  rewindGame(pos);
  const char* p = text.c_str();
  for (;;) {
    while (*p && isBlank(*p)) ++p;
    const bool castling = std::strncmp(p, "0-0", 3) == 0 || std::strncmp(p, "O-O", 3) == 0;
    if (!castling) {
      if (*p == '\0' || *p == '*' || *p == '#' || std::strncmp(p, "++", 2) == 0 || p[1] == '-' || p[1] == '/') {
        return true;
      }
      if (std::isdigit(static_cast<unsigned char>(*p))) {
        while (std::isdigit(static_cast<unsigned char>(*p)) || *p == '.') ++p;
        continue;
      }
    }
    char token[MAX_TOKEN_LENGTH + 1];
    int length = 0;
    bool valid = true;
    for (; *p && !isBlank(*p); ++p) {
      if (length < MAX_TOKEN_LENGTH) {
        token[length++] = *p;
      } else {
        valid = false;
      }
    }
    token[length] = '\0';
    Move move = MOVE_NONE;
    pos.ply = 0;
    evaluate(pos, NO_WINDOW, MATE_SCORE);
    if (!valid || !parseSanMove(pos, token, move) || !makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) {
      tell(*build.progress, build.progress->gameRejected, text);
      return true;
    }
    pos.ply = 0;
    if (repetitionCount(pos) > 0) return true;
    if (!addPosition(build, pos, result)) return false;
  }
}

bool keptRecord(const BookRecord& record) { return record.games > 1 || record.priority < KEEP_SINGLE_BEFORE_MOVE; }

bool writeAll(std::FILE* file, const void* data, std::size_t bytes) { return std::fwrite(data, 1, bytes, file) == bytes; }

// Writes the book: the index, then the kept records bucket by bucket; false after
// any failed write.
bool writeBookFile(std::FILE* file, const BuildTable& build) {
  std::vector<unsigned char> index(BOOK_INDEX_BYTES);
  std::vector<std::uint32_t> kept(BOOK_BUCKETS, 0);
  std::uint64_t offset = BOOK_INDEX_BYTES;
  for (int b = 0; b < BOOK_BUCKETS; ++b) {
    for (const BookRecord& record : build.buckets[b]) kept[b] += keptRecord(record);
    std::uint32_t entry = BOOK_EMPTY_BUCKET;
    if (kept[b] > 0) {
      entry = static_cast<std::uint32_t>(offset);
      offset += BOOK_COUNT_BYTES + static_cast<std::uint64_t>(kept[b]) * BOOK_RECORD_BYTES;
    }
    writeU32(index.data() + 4 * b, entry);
  }
  if (offset > BOOK_EMPTY_BUCKET || !writeAll(file, index.data(), index.size())) return false;
  std::vector<unsigned char> bytes;
  for (int b = 0; b < BOOK_BUCKETS; ++b) {
    if (kept[b] == 0) continue;
    bytes.assign(BOOK_COUNT_BYTES, 0);
    writeU32(bytes.data(), kept[b]);
    for (BookRecord record : build.buckets[b]) {
      if (!keptRecord(record)) continue;
      record.priority = 0;
      unsigned char encoded[BOOK_RECORD_BYTES];
      encodeBookRecord(record, encoded);
      bytes.insert(bytes.end(), encoded, encoded + BOOK_RECORD_BYTES);
    }
    if (!writeAll(file, bytes.data(), bytes.size())) return false;
  }
  return true;
}

void readGames(PgnLines& lines, BuildTable& build, EvalPosition& pos) {
  setUpPosition(pos);
  int games = 0;
  std::string line;
  std::string text;
  // Set by the tags of the game being read, before or after its Result tag.
  bool chess960 = false;
  while (lines.next(line)) {
    chess960 = chess960 || isChess960Tag(line);
    const std::size_t tag = line.find(RESULT_TAG);
    if (line.empty() || line[0] != '[' || tag == std::string::npos) continue;
    const int result = resultOfTag(line, tag);
    text.clear();
    if (!readMoveText(lines, text, chess960)) break;
    tell(*build.progress, build.progress->gameStarted, ++games);
    if (chess960) {
      tell(*build.progress, build.progress->chess960Skipped, games);
    } else if (!processGame(build, pos, text, result)) {
      break;
    }
    chess960 = false;
  }
  tell(*build.progress, build.progress->readingDone);
  rewindGame(pos);
}

}  // namespace

BookBuildResult createBook(EvalPosition& pos, const char* pgnPath, const char* bookPath,
                           const BookBuildProgress& progress, long long poolBytes) {
  PgnLines lines;
  lines.in.open(pgnPath, std::ios::binary);
  if (!lines.in) return BookBuildResult::NO_GAME_FILE;
  BuildTable build;
  build.progress = &progress;
  try {
    build.buckets.resize(BOOK_BUCKETS);
    build.poolLimit = poolBytes;
    readGames(lines, build, pos);
  } catch (const std::bad_alloc&) {
    return BookBuildResult::OUT_OF_MEMORY;
  }

  // The new book goes to a file beside the target and replaces it only when whole.
  const std::string temporary = std::string(bookPath) + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return BookBuildResult::NOT_CREATED;
  tell(progress, progress.writingStarted);
  bool written = writeBookFile(file, build);
  written = std::fflush(file) == 0 && written;
  written = std::fclose(file) == 0 && written;
  if (!written || !replaceFile(temporary.c_str(), bookPath)) {
    std::remove(temporary.c_str());
    return BookBuildResult::NOT_WRITTEN;
  }
  return BookBuildResult::WRITTEN;
}

}  // namespace velt
