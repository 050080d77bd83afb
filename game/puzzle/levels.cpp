// The level layouts: for each level the first tile's cell, then the puzzle
// spaces, as (column, row) pairs ended by (-1, -1).
#include "game/puzzle/rules.h"

namespace {

constexpr DataItem LEVEL_TUTORIAL[] = {12, 9, 10, 9, 11, 9, 13, 9, 14, 9, -1, -1};
constexpr DataItem LEVEL_0[] = {12, 8, 7, 4, 8, 4, 16, 4, 17, 4, 8, 5, 9, 5, 15, 5, 16, 5, 9, 6, 10, 6, 14, 6, 15, 6, 10, 7, 11, 7, 13, 7, 14, 7, 11, 8, 13, 8, -1, -1};
constexpr DataItem LEVEL_1[] = {12, 8, 9, 3, 10, 3, 11, 3, 12, 3, 13, 3, 14, 3, 15, 3, 8, 4, 9, 4, 15, 4, 16, 4, 7, 5, 8, 5, 16, 5, 17, 5, 7, 6, 8, 6, 16, 6, 17, 6, 8, 7, 9, 7, 15, 7, 16, 7, 9, 8, 10, 8, 11, 8, 13, 8, 14, 8, 15, 8, -1, -1};
constexpr DataItem LEVEL_2[] = {11, 5, -1, -1};
constexpr DataItem LEVEL_3[] = {19, 6, -1, -1};
constexpr DataItem LEVEL_4[] = {12, 3, -1, -1};
constexpr DataItem LEVEL_5[] = {12, 6, -1, -1};
constexpr DataItem LEVEL_6[] = {4, 2, -1, -1};
constexpr DataItem LEVEL_7[] = {10, 5, -1, -1};
constexpr DataItem LEVEL_8[] = {12, 6, -1, -1};
constexpr DataItem LEVEL_9[] = {13, 4, -1, -1};
constexpr DataItem LEVEL_10[] = {12, 4, -1, -1};
constexpr DataItem LEVEL_11[] = {4, 5, -1, -1};
constexpr DataItem LEVEL_12[] = {12, 9, -1, -1};
constexpr DataItem LEVEL_13[] = {8, 5, -1, -1};
constexpr DataItem LEVEL_14[] = {14, 2, -1, -1};
constexpr DataItem LEVEL_15[] = {3, 5, -1, -1};
constexpr DataItem LEVEL_16[] = {12, 4, -1, -1};
constexpr DataItem LEVEL_17[] = {10, 8, -1, -1};
constexpr DataItem LEVEL_18[] = {12, 3, -1, -1};
constexpr DataItem LEVEL_19[] = {12, 8, -1, -1};
constexpr DataItem LEVEL_20[] = {14, 2, -1, -1};
constexpr DataItem LEVEL_21[] = {13, 7, -1, -1};
constexpr DataItem LEVEL_22[] = {2, 5, -1, -1};
constexpr DataItem LEVEL_23[] = {20, 2, -1, -1};
constexpr DataItem LEVEL_24[] = {16, 6, -1, -1};
constexpr DataItem LEVEL_25[] = {19, 5, -1, -1};
constexpr DataItem LEVEL_26[] = {6, 2, -1, -1};
constexpr DataItem LEVEL_27[] = {11, 7, -1, -1};
constexpr DataItem LEVEL_28[] = {4, 5, -1, -1};
constexpr DataItem LEVEL_29[] = {12, 1, -1, -1};
constexpr DataItem LEVEL_30[] = {10, 5, -1, -1};
constexpr DataItem LEVEL_31[] = {9, 8, -1, -1};
constexpr DataItem LEVEL_32[] = {7, 4, -1, -1};
constexpr DataItem LEVEL_33[] = {8, 6, -1, -1};
constexpr DataItem LEVEL_34[] = {11, 6, -1, -1};
constexpr DataItem LEVEL_35[] = {8, 2, -1, -1};
constexpr DataItem LEVEL_36[] = {17, 5, -1, -1};
constexpr DataItem LEVEL_37[] = {10, 5, -1, -1};
constexpr DataItem LEVEL_38[] = {12, 9, -1, -1};
constexpr DataItem LEVEL_39[] = {11, 4, 10, 2, 11, 2, 12, 2, 7, 3, 10, 3, 11, 3, 12, 3, 6, 4, 7, 4, 10, 4, 12, 4, 3, 5, 6, 5, 7, 5, 8, 5, 10, 5, 11, 5, 12, 5, 13, 5, 16, 5, 17, 5, 18, 5, 19, 5, 1, 6, 2, 6, 3, 6, 4, 6, 5, 6, 6, 6, 7, 6, 8, 6, 9, 6, 10, 6, 11, 6, 12, 6, 13, 6, 14, 6, 15, 6, 16, 6, 17, 6, 18, 6, 2, 7, 3, 7, 4, 7, 5, 7, 6, 7, 7, 7, 8, 7, 9, 7, 10, 7, 11, 7, 12, 7, 13, 7, 14, 7, 15, 7, 16, 7, 18, 7, 19, 7, 20, 7, 21, 7, 3, 8, 4, 8, 5, 8, 6, 8, 7, 8, 8, 8, 9, 8, 10, 8, 11, 8, 12, 8, 13, 8, 14, 8, 15, 8, 19, 8, 20, 8, -1, -1};
constexpr DataItem LEVEL_40[] = {12, 4, -1, -1};

#define LAYOUT(items) DataList{items, sizeof(items) / sizeof(items[0])}
const DataList LAYOUTS[] = {
    LAYOUT(LEVEL_TUTORIAL),
    LAYOUT(LEVEL_0),
    LAYOUT(LEVEL_1),
    LAYOUT(LEVEL_2),
    LAYOUT(LEVEL_3),
    LAYOUT(LEVEL_4),
    LAYOUT(LEVEL_5),
    LAYOUT(LEVEL_6),
    LAYOUT(LEVEL_7),
    LAYOUT(LEVEL_8),
    LAYOUT(LEVEL_9),
    LAYOUT(LEVEL_10),
    LAYOUT(LEVEL_11),
    LAYOUT(LEVEL_12),
    LAYOUT(LEVEL_13),
    LAYOUT(LEVEL_14),
    LAYOUT(LEVEL_15),
    LAYOUT(LEVEL_16),
    LAYOUT(LEVEL_17),
    LAYOUT(LEVEL_18),
    LAYOUT(LEVEL_19),
    LAYOUT(LEVEL_20),
    LAYOUT(LEVEL_21),
    LAYOUT(LEVEL_22),
    LAYOUT(LEVEL_23),
    LAYOUT(LEVEL_24),
    LAYOUT(LEVEL_25),
    LAYOUT(LEVEL_26),
    LAYOUT(LEVEL_27),
    LAYOUT(LEVEL_28),
    LAYOUT(LEVEL_29),
    LAYOUT(LEVEL_30),
    LAYOUT(LEVEL_31),
    LAYOUT(LEVEL_32),
    LAYOUT(LEVEL_33),
    LAYOUT(LEVEL_34),
    LAYOUT(LEVEL_35),
    LAYOUT(LEVEL_36),
    LAYOUT(LEVEL_37),
    LAYOUT(LEVEL_38),
    LAYOUT(LEVEL_39),
    LAYOUT(LEVEL_40),
};
#undef LAYOUT

}  // namespace

DataList level_layout(int lvl) {
    if (lvl < FIRST_LEVEL || lvl > LAST_LEVEL) lvl = FIRST_LEVEL;
    return LAYOUTS[lvl - FIRST_LEVEL];
}
