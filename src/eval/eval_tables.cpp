// Evaluation weights and piece-square tables: the engine's hand-tuned values.
#include "eval/eval_tables.h"

namespace velt {

namespace {

// A square table from eight ranks (rank 1 first) of four values, mirrored
// about the centre of each rank.
constexpr SquareTable mirrored(const int (&rows)[8][4]) {
  SquareTable table{};
  for (int rank = 0; rank < 8; ++rank) {
    for (int file = 0; file < 4; ++file) {
      table[rank * 8 + file] = rows[rank][file];
      table[rank * 8 + 7 - file] = rows[rank][file];
    }
  }
  return table;
}

constexpr SquareTable fullRows(const int (&rows)[8][8], bool reverseFiles) {
  SquareTable table{};
  for (int rank = 0; rank < 8; ++rank) {
    for (int file = 0; file < 8; ++file) table[rank * 8 + (reverseFiles ? 7 - file : file)] = rows[rank][file];
  }
  return table;
}

constexpr int pawnMgRows[8][4] = {{0, 0, 0, 0},         {-768, -384, 0, -384}, {-640, -384, 0, 128},
                                  {-512, -384, 0, 640}, {-384, -384, 0, 768},  {-256, -384, 0, 512},
                                  {-128, -384, 0, 384}, {0, 0, 0, 0}};
constexpr int pawnEgRows[8][4] = {{0, 0, 0, 0},          {576, 192, 0, -192},  {704, 320, 128, -64},
                                  {832, 448, 256, 64},   {960, 576, 384, 192}, {1088, 704, 512, 320},
                                  {1216, 832, 640, 448}, {0, 0, 0, 0}};
constexpr int knightMgRows[8][4] = {{-6984, -5596, -4208, -3514}, {-4880, -3492, -2104, -1410},
                                    {-2776, -1388, 0, 694},       {-1366, 22, 1410, 2104},
                                    {-650, 738, 2126, 2820},      {-628, 760, 2148, 2842},
                                    {-2732, -1344, 44, 738},      {-11236, -3448, -2060, -1366}};
constexpr int knightEgRows[8][4] = {{-896, -672, -448, -336}, {-672, -448, -224, -112},
                                    {-448, -224, 0, 112},     {-336, -112, 112, 224},
                                    {-336, -112, 112, 224},   {-448, -224, 0, 112},
                                    {-672, -448, -224, -112}, {-896, -672, -448, -336}};
constexpr int bishopMgRows[8][4] = {{-1510, -1678, -1384, -1090}, {-1176, 168, -294, 0},
                                    {-882, -294, 756, 294},       {-588, 0, 294, 1344},
                                    {-588, 0, 294, 1344},         {-882, -294, 756, 294},
                                    {-1176, 168, -294, 0},        {-1008, -1176, -882, -588}};
constexpr int bishopEgRows[8][4] = {{-588, -392, -294, -196}, {-392, -196, -98, 0}, {-294, -98, 0, 98},
                                    {-196, 0, 98, 196},       {-196, 0, 98, 196},   {-294, -98, 0, 98},
                                    {-392, -196, -98, 0},     {-588, -392, -294, -196}};
constexpr int rookMgRows[8][4] = {{-416, -208, 0, 208}, {-416, -208, 0, 208}, {-416, -208, 0, 208},
                                  {-416, -208, 0, 208}, {-416, -208, 0, 208}, {-416, -208, 0, 208},
                                  {-416, -208, 0, 208}, {-416, -208, 0, 208}};
constexpr int queenMgRows[8][4] = {{-1578, -1186, -990, -794}, {-784, -392, -196, 0}, {-588, -196, 0, 196},
                                   {-392, 0, 196, 392},        {-392, 0, 196, 392},   {-588, -196, 0, 196},
                                   {-784, -392, -196, 0},      {-1176, -784, -588, -392}};
constexpr int queenEgRows[8][4] = {{-1296, -864, -648, -432}, {-864, -432, -216, 0}, {-648, -216, 0, 216},
                                   {-432, 0, 216, 432},       {-432, 0, 216, 432},   {-648, -216, 0, 216},
                                   {-864, -432, -216, 0},     {-1296, -864, -648, -432}};
constexpr int kingMgRows[8][4] = {{2814, 3752, 1876, 0}, {2814, 3752, 1876, 0}, {2814, 3752, 1876, 0},
                                  {2814, 3752, 1876, 0}, {2814, 3752, 1876, 0}, {2814, 3752, 1876, 0},
                                  {2814, 3752, 1876, 0}, {2814, 3752, 1876, 0}};
constexpr int kingEgRows[8][4] = {{-4812, -3208, -2406, -1604}, {-3208, -1604, -802, 0},
                                  {-2406, -802, 0, 802},        {-1604, 0, 802, 1604},
                                  {-1604, 0, 802, 1604},        {-2406, -802, 0, 802},
                                  {-3208, -1604, -802, 0},      {-4812, -3208, -2406, -1604}};
constexpr int queenWingKingRows[8][8] = {
    {-2406, -1604, -1604, -2406, -3208, -4008, -4812, -5608}, {-802, 0, 0, -802, -1604, -2406, -3208, -4008},
    {0, 802, 802, 0, -802, -1604, -2406, -3208},              {802, 1604, 1604, 802, 0, -802, -1604, -2406},
    {802, 1604, 1604, 802, 0, -802, -1604, -2406},            {0, 802, 802, 0, -802, -1604, -2406, -3208},
    {-802, 0, 0, -802, -1604, -2406, -3208, -4008},           {-2406, -1604, -1604, -2406, -3208, -4008, -4812, -5608}};
constexpr int kbnRows[8][8] = {{19200, 17920, 16640, 15360, 14080, 12800, 11520, 10240},
                               {17920, 17280, 16000, 14080, 12800, 10240, 8320, 11520},
                               {16640, 16000, 14080, 11520, 8960, 7680, 10240, 12800},
                               {15360, 14080, 11520, 8320, 7040, 8960, 12800, 14080},
                               {14080, 12800, 8960, 7040, 8320, 11520, 14080, 15360},
                               {12800, 10240, 7680, 8960, 11520, 14080, 16000, 16640},
                               {11520, 8320, 10240, 12800, 14080, 16000, 17280, 17920},
                               {10240, 11520, 12800, 14080, 15360, 16640, 17920, 19200}};

}  // namespace

extern const SquareTable pawnMg = mirrored(pawnMgRows);
extern const SquareTable pawnEg = mirrored(pawnEgRows);
extern const SquareTable knightMg = mirrored(knightMgRows);
extern const SquareTable knightEg = mirrored(knightEgRows);
extern const SquareTable bishopMg = mirrored(bishopMgRows);
extern const SquareTable bishopEg = mirrored(bishopEgRows);
extern const SquareTable rookMg = mirrored(rookMgRows);
extern const SquareTable queenMg = mirrored(queenMgRows);
extern const SquareTable queenEg = mirrored(queenEgRows);
extern const SquareTable kingMg = mirrored(kingMgRows);
extern const std::array<SquareTable, 3> kingEg = {mirrored(kingEgRows), fullRows(queenWingKingRows, false),
                                                  fullRows(queenWingKingRows, true)};
extern const SquareTable kbnTable = fullRows(kbnRows, false);

extern const RankTable candMg = {0, 0, 0, 764, 2262, 4526, 7526, 7526};
extern const RankTable candEg = {36, 36, 36, 362, 1002, 1970, 3252, 3252};
extern const RankTable passMg = {0, 0, 0, 978, 2900, 5800, 9642, 9642};
extern const RankTable passEg = {292, 292, 292, 672, 1418, 2546, 4040, 4040};
extern const RankTable passFreeOwn = {0, 0, 0, 52, 156, 314, 524, 524};
extern const RankTable passFree = {0, 0, 0, 266, 788, 1576, 2622, 2622};
extern const RankTable passSafe = {0, 0, 0, 202, 600, 1202, 2000, 2000};
extern const RankTable passKingE = {0, 0, 0, 262, 778, 1558, 2590, 2590};
extern const RankTable passKingO = {0, 0, 0, 132, 390, 782, 1300, 1300};

extern const std::array<RankTable, 9> scaleTable = {{{208, 208, 208, 208, 208, 208, 208, 208},
                                                     {160, 160, 160, 160, 160, 160, 160, 160},
                                                     {160, 128, 120, 112, 104, 96, 88, 80},
                                                     {160, 128, 96, 88, 80, 72, 64, 56},
                                                     {160, 128, 96, 64, 52, 40, 28, 16},
                                                     {160, 128, 96, 64, 0, 0, 0, 0},
                                                     {160, 128, 96, 64, 0, 0, 0, 0},
                                                     {160, 128, 96, 64, 0, 0, 0, 0},
                                                     {160, 128, 96, 64, 0, 0, 0, 0}}};

extern const RankTable shelterOwn = {2242, 0, 428, 1498, 1830, 2242, 2242, 2242};
extern const RankTable shelterStorm = {0, 0, 4668, 1306, 620, 0, 0, 0};

extern const std::array<int, 5> attackFactor = {0, -1, 37, 71, 100};

}  // namespace velt
