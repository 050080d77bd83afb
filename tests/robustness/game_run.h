// Runs the whole program (main_program) on the shared runner with a
// private working folder and temporary folder, and a per-frame script that
// acts only through the hand and waits for the screens it acts on.
#pragma once

#include <functional>
#include <string>

#include "tests/support/game_runner.h"
#include "tests/support/scoped_env.h"

class GameRun {
public:
    GameRun();

    // Copies the built media/ into the working folder, leaving out one file.
    bool copy_loose_media(const std::string& left_out = std::string());
    // Copies a built container into the working folder under its own name.
    bool copy_container(const char* name);
    // Writes an audio container with every built track except left_out.
    bool write_audio_container(const std::string& left_out);

    // Runs the program until it ends or frame_limit frames were shown
    // (then it is ended). Returns the frames shown.
    long run(long frame_limit);

    // Per-frame script, called after each presented frame.
    std::function<void()> script;
    // Whether the frame just presented is that front-end screen's.
    static bool showing(const char* screen);

    // The standard way into a game: click the intro away, click START GAME
    // once the menu shows; in_play() tells whether the frame loop then ran.
    void script_into_play();
    bool in_play() const { return play_frames_ > 0; }
    long play_frames() const { return play_frames_; }
    // Presses Escape once the menu shows (saving and quitting).
    void script_menu_escape();

    // Input as the player gives it.
    void click(int x, int y);   // pointer there, left down; let go a frame later
    void key(int scan_code);    // down now, up a frame later

    testsupport::GameRunner runner;
    std::string root;           // everything below is removed at the end
    std::string work;           // the program's folder (current folder)
    std::string temp;           // TMPDIR: the log and extracted music
    std::string error_log() const;

    bool ended_by_limit = false;   // run() had to end the program itself
    double error_code = 0;         // runtime_error_code() after the run

private:
    void on_frame();
    testsupport::ScopedEnv tmpdir_;
    long play_frames_ = 0;
    double last_level_timer_ = -1;
    long let_go_at_ = -1;
    long limit_ = 0;
    bool into_play_ = false, menu_escape_ = false;
};
