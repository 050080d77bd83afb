// The level names of levels 1..40: what each name says, where its picture
// frame sits on the board, and the box inside that frame its letters keep
// to. The play screen draws the frames at these positions, the media
// generator draws the letters into these boxes, and the level designer
// (tools/solver/design_levels.py) reads this table, one entry a line, to
// label the layouts and to keep every puzzle space off every letter box.
#pragma once

// A frame of the level-name picture (sprite 4): LEVEL_NAME_W x LEVEL_NAME_H.
constexpr int LEVEL_NAME_W = 450;
constexpr int LEVEL_NAME_H = 50;
constexpr int NAMED_LEVELS = 40;

// Letters end before this board-area x: the puzzle window closes at screen
// x 769 and the board area starts at screen x 8.
constexpr int LEVEL_NAME_VISIBLE_RIGHT = 758;

// One level's name. The frame's corner (x, y) is relative to the board
// drawing area; the letter box (ink_x, ink_y, ink_w, ink_h) is relative to
// the frame and lies inside it and left of LEVEL_NAME_VISIBLE_RIGHT.
struct LevelName {
    const char* text;
    int x, y;
    int ink_x, ink_y, ink_w, ink_h;
};

// Entry n - 1 is level n.
constexpr LevelName LEVEL_NAMES[NAMED_LEVELS] = {
    {"THE RING", 320, 100, 2, 1, 169, 34},
    {"THE LANTERN", 230, 100, 2, 1, 251, 34},
    {"THE ARROW", 320, 200, 241, 1, 197, 32},
    {"THE GOBLET", 60, 90, 2, 1, 130, 22},
    {"THE FISH", 200, 100, 2, 1, 169, 34},
    {"THUNDERBOLT", 20, 30, 2, 1, 150, 22},
    {"BOW TIE", 440, 210, 178, 1, 132, 30},
    {"THE DIAMOND", 140, 5, 2, 1, 247, 34},
    {"PINE TREE", 200, 2, 2, 1, 192, 34},
    {"THE CROWN", 10, 40, 2, 1, 212, 34},
    {"CRESCENT MOON", 440, 400, 2, 1, 306, 34},
    {"THE HEART", 70, 70, 2, 1, 204, 34},
    {"THE KEY", 320, 90, 2, 1, 157, 34},
    {"SEAGULL", 20, 550, 2, 1, 171, 34},
    {"THE SERPENT", 200, 160, 274, 1, 161, 24},
    {"HOURGLASS", 20, 350, 2, 1, 217, 34},
    {"THE BELL", 415, 320, 90, 1, 181, 34},
    {"THE TROPHY", 20, 5, 2, 1, 227, 34},
    {"SAILBOAT", 220, 120, 218, 8, 182, 34},
    {"THE APPLE", 200, 5, 2, 1, 204, 34},
    {"SNOWFLAKE", 420, 180, 154, 19, 177, 28},
    {"THE COMET", 420, 440, 141, 1, 197, 32},
    {"THE LETTER W", 250, 100, 2, 1, 269, 34},
    {"THE CLOUD", 250, 40, 2, 1, 204, 34},
    {"THE CAT", 20, 20, 2, 1, 157, 34},
    {"LOCOMOTIVE", 270, 120, 2, 1, 237, 34},
    {"THE CASTLE", 185, 550, 2, 1, 227, 34},
    {"THE SUN", 370, 200, 82, 15, 157, 34},
    {"THE ROCKET", 60, 370, 2, 1, 211, 32},
    {"THE COMPASS", 420, 460, 2, 1, 259, 34},
    {"TULIP", 430, 540, 2, 1, 112, 34},
    {"THE SPIRAL", 320, 100, 122, 1, 216, 34},
    {"THE PENCIL", 200, 160, 2, 1, 216, 34},
    {"BUTTERFLY", 400, 140, 186, 1, 171, 28},
    {"THE ANCHOR", 320, 140, 106, 8, 227, 34},
    {"AEROPLANE", 200, 480, 2, 1, 217, 34},
    {"THE WREATH", 430, 370, 109, 17, 219, 32},
    {"THE SPADE", 130, 5, 2, 1, 204, 34},
    {"ARCHIPELAGO", 420, 210, 2, 1, 252, 34},
    {"SUNBURST", 490, 150, 2, 1, 194, 34},
};
