// Runs the whole program (main_program under runtime_run) in a window with a
// private working folder and temporary folder, an unpaced clock, and a
// per-frame script that acts only through the input event queue.
#pragma once

#include <functional>
#include <string>
#include <vector>

class GameRun {
public:
    GameRun();
    ~GameRun();
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    // The build's generated media (folder and containers); empty when absent.
    static std::string built_media_folder();
    static std::string built_container(const char* name);

    // Copies the built media/ into the working folder, leaving out one file.
    bool copy_loose_media(const std::string& left_out = std::string());
    // Copies a built container into the working folder under its own name.
    bool copy_container(const char* name);
    // Writes an audio container with every built track except left_out.
    bool write_audio_container(const std::string& left_out);

    // Runs the program until it ends or frame_limit frames were shown
    // (then it is ended with program_quit). Returns the frames shown.
    long run(long frame_limit);

    // Per-frame script, called after each presented frame (frame from 1).
    std::function<void(long frame)> script;

    // The standard way into a game: click through the intro, click START
    // GAME on the menu; in_play() tells whether the frame loop then ran.
    void script_into_play();
    bool in_play() const { return play_frames_ > 0; }
    long play_frames() const { return play_frames_; }
    // Presses Escape on the menu once it has been reached (saving and quitting).
    void script_menu_escape(long at_frame);

    // Input as the player gives it.
    void click(int x, int y);   // pointer there, left down; released a frame later
    void key(int scan_code);    // down now, up a frame later

    std::string root;           // everything below is removed at the end
    std::string work;           // the program's folder (current folder)
    std::string temp;           // TMPDIR: the log and extracted music
    std::string error_log() const;

    bool ended_by_limit = false;   // run() had to end the program itself
    double error_code = 0;         // runtime_error_code() after the run

private:
    void on_frame();
    void on_pump();
    long frames_ = 0;
    long limit_ = 0;
    long play_frames_ = 0;
    double last_level_timer_ = -1;
    bool release_left_ = false;
    int release_key_ = -1;
    long pressed_frame_ = 0;
    long pumps_since_frame_ = 0;
    double clock_ = 1'000'000.0;
    std::vector<std::function<void(long)>> steps_;
};

// Whole file content ("" when missing).
std::string read_file(const std::string& path);
bool write_file(const std::string& path, const std::string& content);
bool file_present(const std::string& path);
