// The interactive tutorial: a script of pages shown over the live play
// screen with the tutorial puzzle. Each page explains one thing and waits for
// a click or for the action it asks for; between pages the script puts the
// play state into the position the next page starts from.
#include <iterator>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/services.h"
#include "game/puzzle/state.h"
#include "runtime/audio/audio.h"
#include "runtime/frame/frame.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"

namespace {

constexpr double TEXT_CENTRE_X = 388;   // the middle of the puzzle area
constexpr int WHITE = 0xFFFFFF;
constexpr int LINE_END_SQUARE = 5;
constexpr int RING_GAP = 5;
constexpr int RING_STEPS = 720;         // half a degree apart, both ends included

constexpr int NO_SOUND = -1;
constexpr double SPIN_START = 20;
constexpr double TUTORIAL_TIMER = 360;
constexpr double TUTORIAL_TIMER_STEP = 1;

// Which hand state a line or marker is drawn for.
enum class When { Always, HandEmpty, HandFull };

struct TextLine {
    int y;
    const char* text;
    When when = When::Always;
};

enum class MarkerKind { PointerLine, PlainLine, Ring };

// A line from (x1, y1) to (x2, y2); a pointer line ends in a small square.
struct LineMarker { int x1, y1, x2, y2; };
// Two white circles: radius and radius + RING_GAP around (cx, cy).
struct RingMarker { int cx, cy, radius; };

// Only the part of its kind is used.
struct Marker {
    MarkerKind kind;
    LineMarker line{};
    RingMarker ring{};
    When when = When::Always;
};

// How a page is left.
enum class Exit {
    ClickIdle,        // a click while no rotation plays
    Click,            // any click
    PickUp,           // a click on store slot `slot` while idle
    Rotated,          // tile `tile` shows `code` and no rotation plays
    PlaceAt,          // a click on cell (cell_x, cell_y) while idle
    AfterTimer,       // a click once the held tile has gone
    DropMismatch,     // a click on the cell with the tile turned downward, then the match test
    PickTurnPlace,    // take tile `tile` from slot `slot`, then a click on the cell with `code`
    Recover,          // a tile comes into the hand
    Return,           // the hand is empty again
};

struct Page {
    int number;
    std::vector<TextLine> lines;
    std::vector<Marker> markers;
    Exit exit;
    bool debris = false;        // moves the debris each frame
    bool recovering = false;    // runs the recover-and-return handler each frame
    int rotate_tile = -1;       // the held tile the wheel and right button turn
    int slot = -1;
    int cell_x = -1, cell_y = -1;
    int tile = -1;
    const char* code = "";
    int sound = NO_SOUND;
    void (*before)() = nullptr; // the script step that sets the page up
};

Marker pointer_line(int x1, int y1, int x2, int y2) { return {MarkerKind::PointerLine, {x1, y1, x2, y2}}; }
Marker plain_line(int x1, int y1, int x2, int y2) { return {MarkerKind::PlainLine, {x1, y1, x2, y2}}; }
Marker ring(int cx, int cy, int r, When when = When::Always) { return {MarkerKind::Ring, {}, {cx, cy, r}, when}; }

const TextLine CONTINUE = {620, "CLICK TO CONTINUE"};

// ---------------------------------------------------------------- script steps

void start_tutorial_puzzle() {
    level = FIRST_LEVEL;
    score = 0;
    start_level();
}

void hold_tile(int n) {
    held_tile = n;
    tile_used(n) = 1;
}

void hand_tile_52() { hold_tile(52); }
void turn_tile_52() { tile_codes(52) = "3 3 2 "; }
void place_tile_52() {
    board(13, 9) = CELL_TILE + 52;
    held_tile = -1;
}
void hand_tile_51() {
    hold_tile(51);
    tile_timer = TUTORIAL_TIMER;
}
void hand_tile_24() { hold_tile(24); }
void clear_cell_13_9() {
    held_tile = -1;
    board(13, 9) = CELL_EMPTY;
}
void place_tile_36() {
    tile_codes(36) = " 3 2 2";
    board(14, 9) = CELL_TILE + 36;
    held_tile = -1;
}

// ---------------------------------------------------------------- the pages

const std::vector<Page>& pages() {
    static const std::vector<Page> table = [] {
        std::vector<Page> p;
        Page page;

        page = {1, {{20, "WELCOME TO WEDGEWISE"}, {100, "THIS INTERACTIVE TUTORIAL"}, {160, "WILL TEACH YOU ALL YOU"},
                    {220, "NEED TO KNOW TO PLAY"}, {360, "WRITTEN BY ITS AUTHOR 2005-06"},
                    {440, "WITH HELP FROM A GOOD FRIEND"}, CONTINUE},
                {}, Exit::ClickIdle};
        page.before = start_tutorial_puzzle;
        p.push_back(page);

        p.push_back({2, {{60, "THIS IS THE GAME SCREEN"}, {120, "WHICH IS DIVIDED INTO"}, {180, "THREE SECTIONS"},
                         {290, "THE PUZZLE APPEARS HERE"}, {400, "THIS IS THE TILE STORE"},
                         {480, "THIS IS THE STATUS BAR"}, CONTINUE},
                     {pointer_line(710, 416, 900, 416), pointer_line(660, 515, 660, 720)}, Exit::ClickIdle});

        p.push_back({3, {{60, "THE OBJECT OF THE GAME"}, {120, "IS TO FILL THE PUZZLE"}, {180, "WITH TILES, MATCHING"},
                         {240, "THE COLOURS ON THE"}, {300, "EDGES AND CORNERS"}, {440, "BELOW IS A SIMPLE PUZZLE"},
                         CONTINUE},
                     {}, Exit::ClickIdle});

        p.push_back({4, {{60, "EVERY PUZZLE WILL HAVE"}, {120, "A PERMANENT TILE FROM"}, {180, "THE START"},
                         {300, "FOR THIS SPACE WE"}, {360, "COULD USE ANY OF"}, {420, "THE INDICATED TILES"}, CONTINUE},
                     {pointer_line(414, 572, 897, 70), pointer_line(414, 572, 946, 354),
                      pointer_line(414, 572, 995, 260), pointer_line(414, 572, 995, 594),
                      pointer_line(414, 572, 995, 738)},
                     Exit::ClickIdle});

        page = {5, {{60, "CLICK ON THE PIECE"}, {120, "INDICATED TO PICK IT"}, {180, "UP FROM THE STORE"}},
                {ring(946, 354, 35)}, Exit::PickUp};
        page.slot = 52;
        page.sound = SOUND_PICKUP;
        p.push_back(page);

        page = {6, {{60, "YOU HAVE THE PIECE"}, {120, "BUT NEED TO ROTATE IT"}, {180, "TO MATCH THE COLOURS"},
                    {240, "AND ORIENTATION"}, {340, "ROTATE THE PIECE WITH"}, {400, "THE MOUSEWHEEL OR THE"},
                    {460, "RIGHT MOUSE BUTTON"}},
                {}, Exit::Rotated};
        page.rotate_tile = page.tile = 52;
        page.code = "3 3 2 ";
        page.before = hand_tile_52;
        p.push_back(page);

        page = {7, {{60, "NOW CLICK AGAIN TO"}, {120, "PLACE THE TILE IN"}, {180, "THE PUZZLE AT THE"},
                    {240, "INDICATED POSITION"}},
                {ring(414, 572, 50)}, Exit::PlaceAt};
        page.cell_x = 13;
        page.cell_y = 9;
        page.sound = SOUND_PLACE;
        page.before = turn_tile_52;
        p.push_back(page);

        page = {8, {{60, "THAT WOULD BE EASY IF"}, {120, "IT WASN'T FOR THE TIME"}, {180, "LIMITS. THIS TIME, PICK"},
                    {240, "THIS PIECE UP AND WATCH"}, {300, "THE TILE TIMER DOWN HERE"}},
                {ring(946, 306, 35), pointer_line(600, 335, 700, 700)}, Exit::PickUp};
        page.slot = 51;
        page.sound = SOUND_PICKUP;
        page.before = place_tile_52;
        p.push_back(page);

        page = {9, {{60, "ONCE YOU PICK UP A TILE"}, {120, "YOU MUST PLACE IT IN THE"}, {180, "PUZZLE BEFORE THIS TIMER"},
                    {240, "RUNS OUT, OR THE PIECE"}, {300, "IS DESTROYED"}, {620, "CLICK TO CONTINUE", When::HandEmpty}},
                {pointer_line(600, 335, 700, 700)}, Exit::AfterTimer};
        page.debris = true;
        page.before = hand_tile_51;
        p.push_back(page);

        page = {10, {{60, "THERE IS ALSO A TIME"}, {120, "LIMIT FOR YOU TO COMPLETE"}, {180, "EACH LEVEL, AS INDICATED"},
                     {240, "BY THE CLOCK SHOWN HERE"}, CONTINUE},
                {pointer_line(400, 275, 75, 700)}, Exit::ClickIdle};
        page.debris = true;
        p.push_back(page);

        page = {11, {{60, "THERE IS ANOTHER PROBLEM"}, {120, "THAT FACES YOU, WHICH IS"}, {180, "WHEN YOU TRY TO PLACE A"},
                     {240, "TILE AND THERE IS A"}, {300, "DIFFERENCE IN COLOURS."}, {420, "PICK UP THE TILE INDICATED"}},
                {ring(848, 452, 35)}, Exit::PickUp};
        page.debris = true;
        page.slot = 24;
        page.sound = SOUND_PICKUP;
        p.push_back(page);

        page = {12, {{60, "NOW ROTATE IT SO THE"}, {120, "ORIENTATION IS CORRECT"}, {180, "AND CLICK TO PLACE THE"},
                     {240, "TILE AT THIS LOCATION"}},
                {ring(444, 562, 50)}, Exit::DropMismatch};
        page.debris = true;
        page.rotate_tile = page.tile = 24;
        page.cell_x = 14;
        page.cell_y = 9;
        page.before = hand_tile_24;
        p.push_back(page);

        page = {13, {{60, "THE TILE IS DESTROYED"}, {120, "ALONG WITH ANY TILES"}, {180, "ALREADY PLACED THAT HAD"},
                     {240, "A COLOUR MISMATCH, WITH"}, {300, "THE EXCEPTION OF THE"}, {360, "FIRST TILE WHICH IS"},
                     {420, "PERMANENTLY FIXED"}},
                {}, Exit::ClickIdle};
        page.debris = true;
        p.push_back(page);

        page = {14, {{60, "ON THE EARLY LEVELS"}, {120, "YOU CAN RETURN BADLY"}, {180, "PLACED TILES TO THE"},
                     {240, "STORE TO USE AGAIN"}, {320, "PICK UP THIS TILE, ROTATE"}, {380, "TO MATCH COLOUR, AND"},
                     {440, "PLACE INTO THE PUZZLE"}},
                {ring(898, 306, 35, When::HandEmpty), ring(444, 562, 50, When::HandFull)}, Exit::PickTurnPlace};
        page.debris = true;
        page.rotate_tile = page.tile = 36;
        page.slot = 36;
        page.cell_x = 14;
        page.cell_y = 9;
        page.code = " 3 2 2";
        page.sound = SOUND_PLACE;
        page.before = clear_cell_13_9;
        p.push_back(page);

        page = {15, {{40, "THE TILE NEEDED FOR THE"}, {100, "GAP HAS ALREADY BEEN"}, {160, "DESTROYED, MAKING THE"},
                     {220, "PUZZLE IMPOSSIBLE"}, {280, "UNLESS YOU EXPLODE IT."}, {360, "HOWEVER, A LEFT CLICK"},
                     {420, "ON THE TILE YOU PLACED"}, {480, "WILL RECOVER IT"}},
                {}, Exit::Recover};
        page.debris = page.recovering = true;
        page.before = place_tile_36;
        p.push_back(page);

        page = {15, {{40, "YOU CAN ALSO RETURN"}, {100, "TILES YOU HAVE PICKED"}, {160, "UP BY CLICKING ON AN"},
                     {220, "EMPTY SPACE IN THE"}, {280, "PUZZLE STORE"}, {400, "RETURN THE TILE TO"}, {460, "THE STORE"}},
                {}, Exit::Return};
        page.debris = page.recovering = true;
        p.push_back(page);

        const std::vector<TextLine> tips[] = {
            {{40, "THAT IS ALL YOU NEED TO"}, {100, "KNOW TO PLAY THE GAME!"}, {200, "NOW FOR SOME TIPS TO"},
             {260, "HELP YOU COMPLETE THE"}, {320, "PUZZLES AND GET A"}, {380, "GREAT SCORE!"}, CONTINUE},
            {{40, "TIP 1"}, {140, "BE QUICK WITH THE TILES!"}, {240, "THE MORE TIME THAT IS"},
             {300, "LEFT ON THE TILE TIMER"}, {360, "AS YOU PUT THE TILE IN"}, {420, "THE PUZZLE, THE MORE"},
             {480, "YOU WILL SCORE"}, CONTINUE},
            {{40, "TIP 2"}, {140, "THINK FAST!"}, {240, "THERE IS A BONUS FOR"}, {300, "FINISHING EACH LEVEL IN A"},
             {360, "GOOD TIME, BUT YOU WILL"}, {420, "NEED TO BE QUICK TO GET"}, {480, "THE BIGGEST BONUSES"},
             CONTINUE},
            {{40, "TIP 3"}, {140, "BANG GOES THE SCORE!"}, {240, "THERE IS A PENALTY FOR"},
             {300, "EVERY TILE THAT EXPLODES"}, {360, "SO MISTAKES CAN BE"}, {420, "COSTLY TO YOUR SCORE."},
             {480, "THINK TWICE, CLICK ONCE!"}, CONTINUE},
            {{40, "TIP 4"}, {140, "ADMINISTRATION FEES!"}, {240, "THERE IS A PENALTY FOR"},
             {300, "EVERY TILE RECOVERED"}, {360, "FROM THE PUZZLE OR"}, {420, "RETURNED TO THE STORE"},
             {480, "SO USE SPARINGLY!"}, CONTINUE},
            {{40, "TIP 5"}, {140, "QUITTERS CAN WIN!"}, {240, "DUE TO THE PENALTIES, IF"},
             {300, "YOU FIND YOURSELF IN AN"}, {360, "IMPOSSIBLE POSITION, IT"}, {420, "CAN BE BETTER TO CLICK ON"},
             {480, "QUIT THAN EXPLODE TILES"}, CONTINUE},
            {{40, "TIP 6"}, {140, "STUBBORN STAINS!"}, {240, "REMEMBER, THE FIRST TILE"},
             {300, "CANNOT BE REMOVED OR"}, {360, "EXPLODED, SO YOU MUST"}, {420, "ENSURE YOU HAVE THE"},
             {480, "TILES TO MATCH IT"}, CONTINUE},
            {{40, "TIP 7"}, {140, "IMPOSSIBLE MISSION!"}, {240, "WHEN RECOVERING TILES"},
             {300, "IS DISABLED ON LATER"}, {360, "LEVELS, YOU CAN ALWAYS"}, {420, "EXPLODE TILES AWAY TO"},
             {480, "CLEAR THE AREA"}, CONTINUE},
        };
        constexpr int FIRST_TIP_PAGE = 16;
        constexpr int QUIT_TIP_PAGE = 21;
        for (int i = 0; i < static_cast<int>(std::size(tips)); ++i) {
            page = {FIRST_TIP_PAGE + i, tips[i], {}, Exit::Click};
            page.debris = true;
            if (page.number == QUIT_TIP_PAGE) page.markers = {plain_line(100, 515, 20, 650)};
            p.push_back(page);
        }
        return p;
    }();
    return table;
}

int current_page = 0;

// ---------------------------------------------------------------- page frame

bool shown_now(When when) {
    switch (when) {
    case When::HandEmpty: return held_tile == -1;
    case When::HandFull: return held_tile != -1;
    default: return true;
    }
}

bool idle() { return spin_angle == 0; }
bool click() { return mouse_axis(MOUSE_AXIS_LEFT) == 1; }
bool cursor_on(const Page& page) { return board_cursor_x == page.cell_x && board_cursor_y == page.cell_y; }

void draw_ring(int cx, int cy, int r) {
    for (int radius : {r, r + RING_GAP}) {
        for (int i = 0; i <= RING_STEPS; ++i) {
            double a = i * 0.5;
            draw_pixel(static_cast<int>(cx + radius * fast_sin(a)), static_cast<int>(cy + radius * fast_cos(a)), WHITE);
        }
    }
}

void draw_page(const Page& page) {
    for (const TextLine& line : page.lines)
        if (shown_now(line.when)) draw_text_centred(line.text, TEXT_CENTRE_X, line.y, PROPORTIONAL);
    for (const Marker& m : page.markers) {
        if (!shown_now(m.when)) continue;
        const LineMarker& l = m.line;
        switch (m.kind) {
        case MarkerKind::PointerLine:
            draw_line(l.x1, l.y1, l.x2, l.y2, WHITE);
            draw_rect(l.x2 - 2, l.y2 - 2, LINE_END_SQUARE, LINE_END_SQUARE, WHITE);
            break;
        case MarkerKind::PlainLine: draw_line(l.x1, l.y1, l.x2, l.y2, WHITE); break;
        case MarkerKind::Ring: draw_ring(m.ring.cx, m.ring.cy, m.ring.radius); break;
        }
    }
}

// The play screen's turning rules, applied to the page's tile.
void rotation_input(int tile) {
    if (held_tile != tile || !idle()) return;
    if (mouse_axis(MOUSE_AXIS_RIGHT) == 1 || mouse_axis(MOUSE_AXIS_WHEEL) == -1) {
        play_sound(SOUND_SPIN, 0, 1);
        tile_codes(tile) = rotate_clockwise(tile_codes(tile));
        spin_angle = SPIN_START;
        while (mouse_axis(MOUSE_AXIS_RIGHT) != 0) {}
    }
    if (mouse_axis(MOUSE_AXIS_WHEEL) == 1) {
        play_sound(SOUND_SPIN, 0, 1);
        tile_codes(tile) = rotate_counter_clockwise(tile_codes(tile));
        spin_angle = -SPIN_START;
    }
}

// The tile timer of the timer page runs one count a frame.
void timer_pre_step() {
    if (held_tile == -1) return;
    tile_timer -= TUTORIAL_TIMER_STEP;
    if (tile_timer < 0) {
        tile_timer = 0;
        explode_held_tile();
    }
}

bool page_done(const Page& page) {
    switch (page.exit) {
    case Exit::ClickIdle: return click() && idle();
    case Exit::Click: return click();
    case Exit::PickUp: return click() && store_cursor == page.slot && idle();
    case Exit::Rotated: return tile_codes(page.tile) == page.code && idle();
    case Exit::PlaceAt: return click() && cursor_on(page) && idle();
    case Exit::AfterTimer: return held_tile == -1 && click();
    case Exit::DropMismatch:
        if (click() && cursor_on(page) && code_is_down(tile_codes(page.tile)) && idle()) {
            wait_left_release();
            tile_fits();
            return true;
        }
        return false;
    case Exit::PickTurnPlace:
        if (held_tile == -1) {
            if (click() && store_cursor == page.slot) {
                play_sound(SOUND_PICKUP, 0, 1);
                hold_tile(page.tile);
            }
            return false;
        }
        return click() && cursor_on(page) && tile_codes(page.tile) == page.code && idle();
    case Exit::Recover: return held_tile != -1;
    case Exit::Return: return held_tile == -1;
    }
    return false;
}

void run_page(const Page& page) {
    if (page.before) page.before();
    current_page = page.number;
    for (;;) {
        if (page.exit == Exit::AfterTimer) timer_pre_step();
        update_pointer_targets();
        if (page.rotate_tile >= 0) rotation_input(page.rotate_tile);
        if (page.debris) move_debris();
        if (page.recovering) handle_recover_return();
        draw_play_screen();
        draw_page(page);
        show_screen();
        if (page_done(page)) break;
    }
    if (page.sound != NO_SOUND) play_sound(page.sound, 0, 1);
    wait_left_release();
}

}  // namespace

void run_tutorial() {
    for (const Page& page : pages()) run_page(page);
    current_page = 0;
}

int tutorial_page() { return current_page; }
