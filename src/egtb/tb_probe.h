// Tablebase files: registration from a directory list, the shared cache of 8 KiB
// blocks through which every read goes, the probe of a position and the conversion of
// a stored value into an engine score. Probes are safe from any number of threads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/position.h"
#include "egtb/tb_fault.h"
#include "egtb/tb_index.h"

namespace velt {

// Stored entry bytes: wins 1..126 (126 = mate in 1), draws 0, losses -1..-126 (-126 =
// mated now); 127 marks a number that holds no position.
constexpr int TB_BYTE_UNKNOWN = 127;
constexpr int TB_BYTE_MATED = -126;
constexpr int TB_MAX_DISTANCE = 126;
// Tablebase values: 32767 - n is a win in n moves, 0 a draw, negative a loss.
constexpr int TB_VALUE_UNKNOWN = 32767;
constexpr int TB_VALUE_BASE = 32640;

constexpr int TB_BLOCK_ENTRIES = 8192;
constexpr std::size_t TB_CACHE_ENTRY_BYTES = 8260;  // header and data of one cached block

// The largest number of men the registered tablebases cover: -1 before they were
// looked for, 0 when there are none. Written only between searches.
struct TablebaseStatus {
  int largest = -1;
};
extern TablebaseStatus tablebaseStatus;

// Registers the files found in the directories of pathList (separated by "," or
// ";"; the first directory holding a class's file wins). Returns 5, 4 or 3 by the
// largest class found, else 0. A damaged file is left out and told to the fault hook.
int initTablebases(const char* pathList);
// Where the faults of files go; set between searches.
void setTablebaseFaultHook(const TablebaseFaultHook& hook);
const TablebaseFaultHook& tablebaseFaultHook();
// Lays the block cache out in `area` (closing all open files first); fewer bytes than
// one entry leave the cache disabled and every probe unanswered.
void initTablebaseCache(unsigned char* area, std::size_t bytes);
void closeTablebaseFiles();
// Whether the file of (class, side) is registered (a symmetric class uses side 0).
bool tablebaseRegistered(int classNumber, int side);

// Where a position lives in the tablebases; false when no class fits.
bool tablebaseEntryOf(const Position& pos, TablebaseEntry& entry);
// 1 and the score of the position from the side to move's view, or 0 when it is not
// available.
int probeTablebase(const Position& pos, int& score);
// The value of an entry, or TB_VALUE_UNKNOWN.
int readTablebaseValue(int classNumber, int side, std::uint32_t index);
// The value of a stored byte.
int tablebaseByteValue(int storedByte);
// The engine score of a tablebase value found at `ply` (a win in 1 at ply 5 is 29993).
int tablebaseScore(int value, int ply);

}  // namespace velt
