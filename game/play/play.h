// The game's spine: entry, main program, frame loop, play screen, level end.
#pragma once

#include <string>

// ---------------------------------------------------------------- program

// Sets the configuration (WEDGEWISE_AUTOMATED set in the environment makes
// an automated run), starts the runtime and runs the main program. Options:
// --windowed, --frames N, --help, --version. Returns the process exit code:
// 0, or 2 for an unknown option or a bad --frames number.
int game_entry(int argc, char** argv);

// Start-up then the game cycle; never returns (ends through program_end).
void main_program();

// Loads the media table, slot by slot.
void load_media();

// Fills the glyph width table by reading the font back once.
void measure_glyphs();

// Installs the runtime-backed services of the puzzle rules.
void install_play_services();

// One game from start_level to its end (frame loop and game end).
void play_game();

// How a pass of the frame loop left the game.
enum class PassResult { Playing, Completed, OutOfTime, Quit };

// One pass of the frame loop; anything but Playing ends the game.
PassResult frame_loop_pass();

// The game's own work of one pass, between the completion test and the
// drawing: clocks, vortex, pointer, clicks and debris. False when the level
// clock has run out (nothing else is done then).
bool advance_play_frame();

// Moves, fades and drops the debris (one frame).
void move_debris();

// ---------------------------------------------------------------- play screen

// Sprite slots of the play screen (the tile sprites are the rules', in
// game/puzzle/services.h).
constexpr int SPRITE_SPACES = 1;          // frame 0 an up space, frame 1 a down space
constexpr int SPRITE_FRAME = 2;           // the screen's frame picture with its buttons
constexpr int SPRITE_DIGITS = 3;          // two sets of ten score digits
constexpr int SPRITE_LEVEL_NAMES = 4;     // frame n - 1 names level n
constexpr int SPRITE_POINTER_MASK = 10;   // one opaque pixel: the pointer's hit mask
constexpr int SPRITE_TURN_1 = 14;         // 14..17: the held tile between up and down
constexpr int SPRITE_TURN_2 = 15;
constexpr int SPRITE_TURN_3 = 16;
constexpr int SPRITE_TURN_4 = 17;
constexpr int SPRITE_LARGE_MARKS = 18;    // the corner marks, made by the game: board-sized tiles
constexpr int SPRITE_SMALL_MARKS = 19;    // and store tiles
constexpr int SPRITE_PRAIRIE = 50;        // the backdrop tile when the vortex is off

// One complete play-screen frame from the play state; presents nothing.
void draw_play_screen();
// Level name, empty spaces, then the placed tiles (inside the board area).
void draw_board();
// The tiles still in the store; the slot under the pointer is raised.
void draw_store();
// The two clock hands, the score and the bonus.
void draw_status_bar();
// A whole number as count digit images, zero-padded; a longer number
// shows its leading digits.
void draw_digits(double value, double x, double y, int count);
// The two angles a board tile is drawn at.
constexpr double UP_ANGLE = 0;
constexpr double DOWN_ANGLE = 60;

// A board tile with its box corner at (x, y): UP_ANGLE, DOWN_ANGLE, any
// other angle nothing.
void draw_tile(double x, double y, double angle, int c1, int c2, int c3);
// A store-sized up tile with its box corner at (x, y).
void draw_store_tile(double x, double y, int c1, int c2, int c3);
// One frame of the held tile turning; moves spin_angle 4 toward 0.
void draw_spinning_tile(double x, double y, double angle, int c1, int c2, int c3);
// How a tile code is drawn: its angle for draw_tile, its three corner
// colours and their digits (1..6, 0 for none), from characters 0, 2, 4 of an
// up code or 1, 3, 5 of a down code.
struct TileForm { double angle; int c1, c2, c3; int d1, d2, d3; };
TileForm tile_form(const std::string& code);
// The same tiles drawn from their forms: with corner_marks on, each corner
// also shows its digit's mark. Every tile the player matches by is drawn so.
void draw_tile_form(double x, double y, const TileForm& form);
// The marks alone (nothing while corner_marks is off), for the board, which
// draws them once all its tiles are down.
void draw_tile_marks(double x, double y, const TileForm& form);
void draw_store_tile_form(double x, double y, const TileForm& form);
void draw_spinning_tile_form(double x, double y, const TileForm& form);
// The centre colour of a tile: each channel the truncated mean.
int mix_colours(int a, int b, int c);
// The vortex arms, each fading toward its old end.
void draw_vortex();

// ---------------------------------------------------------------- interludes

// Announcement, bonus payment, wait for a click, then the next level.
void level_complete();
// "OUT OF TIME!" until a click; its tune stops after 20 seconds.
void out_of_time();
// "GAME PAUSED" until the opening click is released and a new click ends.
void pause_screen();
