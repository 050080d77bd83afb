// Files: one lookup for every file the program reads, and eight byte channels
// for the game's own data files. The lookup takes, in this order: a loose
// file of that name; an entry of the "sbX" container appended to the running
// executable (so the one-file game finds its media whatever names the game
// gives its containers); an entry of the named container.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---------------------------------------------------------------- containers

enum class Container { Graphics = 0, Audio = 1 };

// Names the graphics and audio containers (relative to the program's folder).
void media_container_set(const std::string& graphics_path, const std::string& audio_path);

// Points both containers at a path (start-up uses the executable itself).
void media_containers_reset(const std::string& path);

// Looks a name up: a loose file, else the executable's own entry, else the
// named container's entry, extracted to memory ("mem://" name) or to a
// temporary file in the user's private temporary folder. Drops the container's
// previous result first. Returns true when found; resolved is the name to open.
bool media_resolve(Container container, const std::string& name, bool to_memory,
                   std::string& resolved);

// Reads a resolved name (a regular file or a "mem://" block): all of it, or
// its first max_bytes when it is longer.
bool read_resolved(const std::string& resolved, std::vector<uint8_t>& out, size_t max_bytes = SIZE_MAX);

// Looks a "mem://" name up; false when it is not a valid memory name.
bool mem_block(const std::string& name, const uint8_t*& data, size_t& size);

// Frees memory entries and deletes temporary files of both containers.
void media_containers_release();

// ---------------------------------------------------------------- data folder

// A portable copy keeps its containers next to itself; an installed game
// keeps them in its data folder (/usr/share/games/wedgewise for
// /usr/games/wedgewise). A container named without a folder is opened from
// the current folder (the program's: start-up made it current) when it is
// there, else from the data folder; the name is returned unchanged when
// neither holds it, or when it names a folder of its own.
std::string container_location(const std::string& path);

// The data folder, ending in '/': the way from the program's folder to it is
// compiled in, so a copy installed under any prefix finds its own. Empty when
// the program has none.
std::string media_data_folder();

// Replaces the data folder (empty: none); for tests.
void media_data_folder_set(const std::string& folder);

// Whether the graphics container comes from the data folder: the game runs
// as installed, and its records belong in the player's own data folder.
bool media_installed();

// ---------------------------------------------------------------- channels

constexpr int FILE_CHANNELS = 8;

// mode >= 1 reads (through the lookup), 0 writes (replaces), < 0 appends.
// Returns 1 if open, 0 if not; a channel outside 0..7 is run-time error 7.
int file_open(int channel, const std::string& path, int mode);

// Closes the channel; a written file replaces its target now (until then the
// previous file stays intact, even if the program is killed mid-save).
void file_close(int channel);

// Closes all eight channels (program end). After a run-time error, a file
// still being written is dropped and its previous content stays.
void file_close_all();

// One byte, -128..127 / 0..255. Past the end of a real file: error 3;
// past the end of a memory file: 0.
int file_read_byte(int channel);
int file_read_ubyte(int channel);

// Writes the low 8 bits; failure is run-time error 3.
void file_write_byte(int channel, int value);
void file_write_ubyte(int channel, int value);

// ---------------------------------------------------------------- platform helpers

// Whether a regular file of that name can be opened for reading.
bool file_exists(const std::string& path);

// Whether the folder can be written by this process.
bool folder_writable(const std::string& folder);

// The current folder, ending in '/' (the program's folder when it cannot be
// read).
std::string current_folder();

// The player's own data folder for the named program ($XDG_DATA_HOME/name/,
// else $HOME/.local/share/name/, else /tmp/.local/share/name/), ending in '/'
// and made, private to the player, where missing; empty when it cannot be
// made, or when under /tmp it is not the player's own and closed to others.
std::string player_data_folder(const std::string& name);
