// Process facts at the floor of the runtime: where the program lives, its
// private temporary folder and start-up log, run-time errors and the orderly
// end. Every other module may use these; this one uses none of them.
//
// program_end() never returns: it runs the shut-down the frame installed
// (when there is one) and unwinds to runtime_run() by throwing ProgramEnded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Thrown by program_end() to unwind to runtime_run(); never caught elsewhere.
struct ProgramEnded {};

// ---------------------------------------------------------------- paths

// The running executable's own path.
std::string program_path();

// The folder of the running executable, ending with "/".
std::string program_dir();

// The user's private temporary folder (TMPDIR, XDG_RUNTIME_DIR, each only
// when absolute, else /tmp/wedgewise-UID made 0700); ends with "/", or ""
// when no such folder can be had.
std::string user_temp_dir();

// ---------------------------------------------------------------- files

// Opens a file for writing without following a symbolic link at its name
// (O_NOFOLLOW, mode 0600); returns a POSIX descriptor or -1.
int create_private_file(const std::string& path, bool append);

// Writes the whole buffer to a descriptor, retrying interrupted and short
// writes; false when the descriptor takes no more.
bool write_all(int fd, const uint8_t* data, size_t size);

// ---------------------------------------------------------------- start-up log

// Appends one line (CR LF) to ErrorLog.txt in the user's temporary folder.
void startup_log(const std::string& line);

// Deletes ErrorLog.txt, so a start begins a fresh log.
void startup_log_clear();

// The log's full name, for messages that point the player to it.
std::string startup_log_path();

// ---------------------------------------------------------------- errors and the end

// Stores a run-time error code (and what failed, for the log and stderr).
double set_error_code(double code, const std::string& what = std::string());

// The error code stored last (0 = orderly end).
double runtime_error_code();

// Logs "Runtime Error code: what", says it on stderr, then program_end().
// A fault during the shut-down keeps the code of the fault that caused it.
[[noreturn]] void runtime_error(int code, const std::string& what);

// Orderly end: the installed shut-down runs once, then the unwind to
// runtime_run() (exit code 0). Without one, or while it runs, only the unwind.
[[noreturn]] void program_end();

// program_end() with error code 0: the player chose to quit.
[[noreturn]] void program_quit();

// The shut-down program_end runs (the frame's: channels, music, renderer,
// input, sound, containers, window); nullptr leaves only the unwind.
void set_program_shutdown(void (*shutdown)());
