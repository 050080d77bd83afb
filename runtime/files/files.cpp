// Files: the media lookup over the two containers, memory files ("mem://"),
// temporary files for the music player, and the eight byte channels.
//
// Memory files live in a registry keyed by a small identity; a "mem://" name is
// only ever resolved through that registry, so a stale or forged name is
// rejected instead of being turned into a pointer. Channels share ownership of
// their block, so a channel still reads its content after the container has
// moved on to another lookup.
//
// A channel opened for writing writes a sibling file and renames it over the
// target when the channel is closed: a program killed in the middle of a save
// leaves the previous file as it was.
#include "runtime/files/files.h"

#include "runtime/files/container.h"
#include "runtime/process/process.h"
#include "runtime/web/web.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

using Block = std::shared_ptr<const std::vector<uint8_t>>;

constexpr char MEM_PREFIX[] = "mem://";
constexpr size_t MEM_PREFIX_LEN = sizeof MEM_PREFIX - 1;
constexpr size_t MEM_FIELD_WIDTH = 8;                                   // hex, right-aligned
constexpr size_t MEM_SIZE_AT = MEM_PREFIX_LEN;                          // chars 6..13
constexpr size_t MEM_DOT_AT = MEM_SIZE_AT + MEM_FIELD_WIDTH;            // char 14
constexpr size_t MEM_BLOCK_AT = MEM_DOT_AT + 1;                         // chars 15..22
constexpr size_t MEM_NAME_LEN = MEM_BLOCK_AT + MEM_FIELD_WIDTH;

constexpr char TEMP_PREFIX[] = "sbx";
constexpr int TEMP_LETTERS = 26;
constexpr int ERROR_FILE_IO = 3;
constexpr int ERROR_BAD_CHANNEL = 7;
constexpr int WRITE_SIBLING_ATTEMPTS = 16;
constexpr int TEMP_NAME_ATTEMPTS = 16;

// ---------------------------------------------------------------- memory files

struct MemoryRegistry {
    std::map<uint32_t, Block> blocks;
    uint32_t next_id = 1;
};

MemoryRegistry& registry()
{
    static MemoryRegistry r;
    return r;
}

// Registers a block under a fresh identity (never 0, never one still live).
uint32_t register_block(std::vector<uint8_t>&& content)
{
    MemoryRegistry& r = registry();
    while (r.next_id == 0 || r.blocks.count(r.next_id) != 0)
        ++r.next_id;
    uint32_t id = r.next_id++;
    r.blocks[id] = std::make_shared<const std::vector<uint8_t>>(std::move(content));
    return id;
}

void forget_block(uint32_t id)
{
    registry().blocks.erase(id);
}

// Lower-case hex, right-aligned in the field, padded with spaces.
std::string hex_field(uint32_t value)
{
    char buf[MEM_FIELD_WIDTH + 1];
    std::snprintf(buf, sizeof buf, "%8x", value);
    return buf;
}

// Parses one right-aligned hex field; spaces only before the digits.
bool parse_hex_field(const std::string& s, size_t at, uint32_t& value)
{
    size_t i = at;
    const size_t end = at + MEM_FIELD_WIDTH;
    while (i < end && s[i] == ' ')
        ++i;
    if (i == end)
        return false;
    uint32_t v = 0;
    for (; i < end; ++i) {
        char c = s[i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else
            return false;
        v = v * 16 + digit;
    }
    value = v;
    return true;
}

bool is_mem_name(const std::string& name)
{
    return name.compare(0, MEM_PREFIX_LEN, MEM_PREFIX) == 0;
}

// The live block a memory name refers to, or none.
Block find_block(const std::string& name)
{
    if (name.size() != MEM_NAME_LEN || !is_mem_name(name) || name[MEM_DOT_AT] != '.')
        return nullptr;
    uint32_t size = 0, id = 0;
    if (!parse_hex_field(name, MEM_SIZE_AT, size) || !parse_hex_field(name, MEM_BLOCK_AT, id))
        return nullptr;
    auto it = registry().blocks.find(id);
    if (it == registry().blocks.end() || it->second->size() != size)
        return nullptr;
    return it->second;
}

std::string mem_name(uint32_t id, size_t size)
{
    return MEM_PREFIX + hex_field(static_cast<uint32_t>(size)) + "." + hex_field(id);
}

// ---------------------------------------------------------------- paths

// The game may write folders either way; this system wants '/'.
std::string native_path(const std::string& path)
{
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}

// Opens a regular file for reading; -1 for anything else (folders, FIFOs and
// devices included). The open itself never waits: a FIFO without a writer
// would block a plain open for ever.
int open_regular(const std::string& path, int64_t& size)
{
    int fd = ::open(native_path(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    // Reads of a regular file then behave as usual.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    size = static_cast<int64_t>(st.st_size);
    return fd;
}

// A container file read in place, so a lookup never loads the whole file.
struct FileSource : ContainerSource {
    int fd = -1;
    int64_t length = 0;
    explicit FileSource(const std::string& path) { fd = open_regular(path, length); }
    ~FileSource() override
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    bool ok() const { return fd >= 0; }
    int64_t size() const override { return length; }
    bool read(int64_t offset, void* out, size_t count) const override
    {
        if (offset < 0 || offset > length || static_cast<int64_t>(count) > length - offset)
            return false;
        auto* p = static_cast<uint8_t*>(out);
        while (count > 0) {
            ssize_t n = ::pread(fd, p, count, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            p += n;
            offset += n;
            count -= static_cast<size_t>(n);
        }
        return true;
    }
};

// ---------------------------------------------------------------- containers

struct MediaContainer {
    bool enabled = false;
    std::string path;
    std::string temporary_file;   // last file made for the music player
    uint32_t memory_entry = 0;    // registry identity of the last memory entry
};

MediaContainer g_containers[2];

MediaContainer& container_of(Container c)
{
    return g_containers[c == Container::Audio ? 1 : 0];
}

// Frees the entry kept in memory, or else deletes the temporary file last made.
void drop_previous(MediaContainer& mc)
{
    if (mc.memory_entry != 0) {
        forget_block(mc.memory_entry);
        mc.memory_entry = 0;
    } else if (!mc.temporary_file.empty()) {
        ::unlink(mc.temporary_file.c_str());
        mc.temporary_file.clear();
    }
}

void point_at(MediaContainer& mc, const std::string& path)
{
    drop_previous(mc);
    mc.path = path;
    mc.enabled = true;
}

// Entry names become part of a file name in the temporary folder; a name that
// could leave that folder or end early is never written.
bool safe_entry_name(const std::string& name)
{
    return !name.empty() && name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

// Temporary file: user temp folder + "sbx" + two letters from the entry's
// stored offset and size + the entry's name. A retry puts a number before
// the entry's name, so the name still ends as the entry's does.
std::string temporary_name(const std::string& folder, const ContainerEntry& entry, int attempt)
{
    char a = static_cast<char>('A' + (static_cast<uint32_t>(entry.raw_offset) & 0xFFu) % TEMP_LETTERS);
    char b = static_cast<char>('A' + (static_cast<uint32_t>(entry.stored_size) & 0xFFu) % TEMP_LETTERS);
    std::string retry = attempt == 0 ? std::string() : std::to_string(attempt) + "-";
    return folder + TEMP_PREFIX + a + b + retry + entry.name;
}

// Writes the content to a file of our own in the user's private temporary
// folder and returns its name ("" on failure). The file is always created
// new (O_EXCL, never through a link): in a shared folder another user may
// have planted that name, and then a fresh name is tried. Without a private
// folder nothing is written: a relative name would land in the program's.
std::string write_temporary(const ContainerEntry& entry, const std::vector<uint8_t>& content)
{
    const std::string folder = user_temp_dir();
    if (folder.empty() || folder[0] != '/')
        return std::string();
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS; ++attempt) {
        std::string path = temporary_name(folder, entry, attempt);
        // Our own leftover of an earlier run goes; anyone else's stays and is skipped.
        ::unlink(path.c_str());
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return std::string();
        }
        bool ok = write_all(fd, content.data(), content.size());
        if (::close(fd) != 0)
            ok = false;
        if (ok)
            return path;
        ::unlink(path.c_str());
        return std::string();
    }
    return std::string();
}

// ---------------------------------------------------------------- channels

struct Channel {
    int fd = -1;
    Block memory;              // a "mem://" file being read
    int64_t size = 0;
    int64_t position = 0;
    std::string name;          // for error messages
    std::string target;        // write mode: the file replaced at close
    std::string sibling;       // write mode: the file being written
    bool failed = false;       // write mode: never commit a failed save
};

Channel g_channels[FILE_CHANNELS];

Channel& checked_channel(int channel)
{
    if (channel < 0 || channel >= FILE_CHANNELS)
        runtime_error(ERROR_BAD_CHANNEL, "file channel " + std::to_string(channel));
    return g_channels[channel];
}

// Flushes the sibling to disk and renames it over the target; a failed save
// removes the sibling and leaves the target untouched.
void commit_write(Channel& ch)
{
    bool ok = !ch.failed && ::fsync(ch.fd) == 0;
    if (::close(ch.fd) != 0)
        ok = false;
    ch.fd = -1;
    if (ok && ::rename(ch.sibling.c_str(), ch.target.c_str()) == 0) {
#ifdef __EMSCRIPTEN__
        web_file_saved(ch.target);
#endif
        return;
    }
    ::unlink(ch.sibling.c_str());
    if (!ch.failed)
        std::fprintf(stderr, "wedgewise: could not save %s\n", ch.target.c_str());
}

void close_channel(Channel& ch, bool commit)
{
    if (ch.fd >= 0) {
        if (!ch.sibling.empty()) {
            ch.failed = ch.failed || !commit;
            commit_write(ch);
        }
        else
            ::close(ch.fd);
    }
    ch = Channel{};
}

// A fresh sibling next to the target, created exclusively so nothing else
// (a link planted under that name included) is ever written through.
int create_sibling(const std::string& target, std::string& sibling)
{
    static unsigned counter = 0;
    // A target name near the length limit gets a short hidden sibling instead.
    size_t cut = target.find_last_of('/');
    std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    bool short_name = false;
    for (int attempt = 0; attempt < WRITE_SIBLING_ATTEMPTS; ++attempt) {
        std::string tag = ".part" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        sibling = (short_name ? folder + ".save" : target) + tag;
        int fd = ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno == ENAMETOOLONG && !short_name)
            short_name = true;
        else if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// A process id from the digits of a sibling's tag, "<pid>-<n>" and nothing
// more; false for anything else.
bool parse_sibling_tag(const std::string& tag, pid_t& pid)
{
    constexpr size_t MAX_PID_DIGITS = 9;
    size_t dash = tag.find('-');
    if (dash == std::string::npos || dash == 0 || dash > MAX_PID_DIGITS || dash + 1 == tag.size())
        return false;
    for (size_t i = 0; i < tag.size(); ++i)
        if (i != dash && (tag[i] < '0' || tag[i] > '9'))
            return false;
    pid = static_cast<pid_t>(std::stol(tag.substr(0, dash)));
    return pid > 0;
}

bool process_alive(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Removes what saves killed part-way left beside the target: its
// "<name>.part<pid>-<n>" siblings and the short ".save.part<pid>-<n>" ones.
// Only regular files of ours whose process is gone: a save that another
// running copy of the game has under way is left alone.
void remove_stale_siblings(const std::string& target)
{
    size_t cut = target.find_last_of('/');
    std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    const std::string prefixes[] = {(cut == std::string::npos ? target : target.substr(cut + 1)) + ".part",
                                    ".save.part"};
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        pid_t pid = 0;
        bool ours = false;
        for (const std::string& prefix : prefixes)
            if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
                parse_sibling_tag(name.substr(prefix.size()), pid))
                ours = true;
        if (!ours || process_alive(pid))
            continue;
        std::string path = folder + name;
        struct stat st{};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

int open_for_reading(Channel& ch, const std::string& path)
{
    std::string resolved;
    media_resolve(Container::Graphics, path, true, resolved);
    ch.name = path;
    if (is_mem_name(resolved)) {
        Block block = find_block(resolved);
        if (!block)
            return 0;
        ch.memory = block;
        ch.size = static_cast<int64_t>(block->size());
        return 1;
    }
    if (resolved.empty())
        return 0;
    ch.fd = open_regular(resolved, ch.size);
    return ch.fd >= 0 ? 1 : 0;
}

int open_for_writing(Channel& ch, const std::string& path)
{
    if (path.empty() || is_mem_name(path))
        return 0;
    std::string target = native_path(path);
    struct stat st{};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return 0;
    remove_stale_siblings(target);
    std::string sibling;
    int fd = create_sibling(target, sibling);
    if (fd < 0)
        return 0;
    ch.fd = fd;
    ch.name = path;
    ch.target = target;
    ch.sibling = sibling;
    return 1;
}

int open_for_appending(Channel& ch, const std::string& path)
{
    if (path.empty() || is_mem_name(path))
        return 0;
    int fd = ::open(native_path(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return 0;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return 0;
    }
    ch.fd = fd;
    ch.name = path;
    ch.size = static_cast<int64_t>(st.st_size);
    return 1;
}

// One byte: a real file must deliver it, a memory file gives 0 past its end.
uint8_t read_one(int channel)
{
    Channel& ch = checked_channel(channel);
    if (ch.memory) {
        if (ch.position >= ch.size)
            return 0;
        return (*ch.memory)[static_cast<size_t>(ch.position++)];
    }
    uint8_t b = 0;
    ssize_t n = -1;
    if (ch.fd >= 0) {
        do
            n = ::read(ch.fd, &b, 1);
        while (n < 0 && errno == EINTR);
    }
    if (n != 1)
        runtime_error(ERROR_FILE_IO, ch.name.empty() ? "file channel " + std::to_string(channel) : ch.name);
    ++ch.position;
    return b;
}

void write_one(int channel, int value)
{
    Channel& ch = checked_channel(channel);
    uint8_t b = static_cast<uint8_t>(value & 0xFF);
    ssize_t n = -1;
    if (ch.fd >= 0) {
        do
            n = ::write(ch.fd, &b, 1);
        while (n < 0 && errno == EINTR);
    }
    if (n != 1) {
        ch.failed = true;
        runtime_error(ERROR_FILE_IO, ch.name.empty() ? "file channel " + std::to_string(channel) : ch.name);
    }
    ++ch.position;
}

}  // namespace

// ---------------------------------------------------------------- containers

void media_container_set(const std::string& graphics_path, const std::string& audio_path)
{
    point_at(container_of(Container::Graphics), graphics_path);
    point_at(container_of(Container::Audio), audio_path);
}

void media_containers_reset(const std::string& path)
{
    media_container_set(path, path);
}

bool media_installed()
{
    const std::string& path = container_of(Container::Graphics).path;
    return container_location(path) != path;
}

namespace {

// Hands an entry on as the container's result: a memory block or a temporary file.
bool hand_on(MediaContainer& mc, const ContainerSource& src, const ContainerEntry& entry, bool to_memory,
             std::string& resolved)
{
    // A damaged entry still resolves, to an empty content.
    std::vector<uint8_t> content;
    container_extract(src, entry, content);

    if (to_memory) {
        size_t size = content.size();
        mc.memory_entry = register_block(std::move(content));
        resolved = mem_name(mc.memory_entry, size);
        return true;
    }
    if (!safe_entry_name(entry.name)) {
        resolved.clear();
        return false;
    }
    std::string temp = write_temporary(entry, content);
    if (temp.empty()) {
        resolved.clear();
        return false;
    }
    mc.temporary_file = temp;
    resolved = temp;
    return true;
}

// The container appended to the program's own executable, if it carries one.
// It is consulted before the named containers, so a game shipped as a single
// file finds its media whatever names the containers were given.
bool find_in_executable(const std::string& container_path, const std::string& name,
                        std::unique_ptr<FileSource>& src, ContainerEntry& entry)
{
    static std::string checked_path;
    static bool has_container = false;
    std::string exe = program_path();
    if (exe.empty() || exe == container_path)
        return false;
    if (exe != checked_path) {
        checked_path = exe;
        FileSource probe(exe);
        has_container = probe.ok() && container_has_magic(probe);
    }
    if (!has_container)
        return false;
    src = std::make_unique<FileSource>(exe);
    return src->ok() && container_find(*src, name, entry);
}

}  // namespace

bool media_resolve(Container container, const std::string& name, bool to_memory, std::string& resolved)
{
    MediaContainer& mc = container_of(container);
    drop_previous(mc);
    if (name.empty()) {
        resolved.clear();
        return false;
    }
    if (file_exists(name)) {
        resolved = name;
        return true;
    }
    ContainerEntry entry;
    std::unique_ptr<FileSource> own;
    if (find_in_executable(mc.path, name, own, entry))
        return hand_on(mc, *own, entry, to_memory, resolved);
    // Not consulted: the caller's name is left as it was.
    if (!mc.enabled) {
        resolved = name;
        return false;
    }
    if (mc.path.empty()) {
        mc.enabled = false;
        resolved = name;
        return false;
    }
    FileSource src(container_location(mc.path));
    if (!src.ok()) {
        resolved.clear();
        return false;
    }
    if (!container_has_magic(src)) {
        mc.enabled = false;
        resolved = name;
        return false;
    }
    if (!container_find(src, name, entry)) {
        resolved.clear();
        return false;
    }
    return hand_on(mc, src, entry, to_memory, resolved);
}

bool read_resolved(const std::string& resolved, std::vector<uint8_t>& out, size_t max_bytes)
{
    out.clear();
    if (is_mem_name(resolved)) {
        Block block = find_block(resolved);
        if (!block)
            return false;
        out.assign(block->begin(), block->begin() + static_cast<std::ptrdiff_t>(std::min(block->size(), max_bytes)));
        return true;
    }
    int64_t size = 0;
    int fd = open_regular(resolved, size);
    if (fd < 0)
        return false;
    // The size may change under us; read to the end (or the limit) whatever it is.
    uint8_t buf[65536];
    bool ok = true;
    while (out.size() < max_bytes) {
        ssize_t n = ::read(fd, buf, std::min(sizeof buf, max_bytes - out.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        out.insert(out.end(), buf, buf + n);
    }
    ::close(fd);
    if (!ok)
        out.clear();
    return ok;
}

bool mem_block(const std::string& name, const uint8_t*& data, size_t& size)
{
    Block block = find_block(name);
    if (!block) {
        data = nullptr;
        size = 0;
        return false;
    }
    data = block->data();
    size = block->size();
    return true;
}

// Audio first, then graphics, as the program's end does it.
void media_containers_release()
{
    drop_previous(container_of(Container::Audio));
    drop_previous(container_of(Container::Graphics));
}

// ---------------------------------------------------------------- channels

int file_open(int channel, const std::string& path, int mode)
{
    Channel& ch = checked_channel(channel);
    close_channel(ch, true);
    if (mode >= 1)
        return open_for_reading(ch, path);
    if (mode == 0)
        return open_for_writing(ch, path);
    return open_for_appending(ch, path);
}

void file_close(int channel)
{
    close_channel(checked_channel(channel), true);
}

// After a run-time error a save still open was cut short: it is dropped and
// the previous file stays.
void file_close_all()
{
    bool commit = runtime_error_code() == 0;
    for (Channel& ch : g_channels)
        close_channel(ch, commit);
}

int file_read_byte(int channel)
{
    return static_cast<int8_t>(read_one(channel));
}

int file_read_ubyte(int channel)
{
    return read_one(channel);
}

void file_write_byte(int channel, int value)
{
    write_one(channel, value);
}

void file_write_ubyte(int channel, int value)
{
    write_one(channel, value);
}

// ---------------------------------------------------------------- platform helpers

bool file_exists(const std::string& path)
{
    if (path.empty() || is_mem_name(path))
        return false;
    int64_t size = 0;
    int fd = open_regular(path, size);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool folder_writable(const std::string& folder)
{
    std::string f = folder.empty() ? std::string(".") : native_path(folder);
    struct stat st{};
    return ::stat(f.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(f.c_str(), W_OK | X_OK) == 0;
}

std::string current_folder()
{
    char cwd[4096];
    std::string here = ::getcwd(cwd, sizeof cwd) ? std::string(cwd) : program_dir();
    if (here.empty() || here.back() != '/')
        here += '/';
    return here;
}

namespace {

// mkdir -p with private permissions; true when the folder exists afterwards.
bool make_folders(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string part = path.substr(0, i);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Whether every folder of the path below `shared` is a real folder of this
// user that no one else may write, and the last one closed to everyone else.
bool own_private_folders(const std::string& shared, const std::string& path)
{
    for (size_t i = shared.size() + 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/')
            continue;
        struct stat info{};
        if (::lstat(path.substr(0, i).c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
            (info.st_mode & (i == path.size() ? 077 : 022)) != 0)
            return false;
    }
    return true;
}

}  // namespace

std::string player_data_folder(const std::string& name)
{
    constexpr const char* SHARED_ROOT = "/tmp";
    std::string root;
    bool shared = false;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        root = xdg;
    } else {
        // Without a home the folder goes where any user may make one.
        const char* home = std::getenv("HOME");
        shared = !(home && home[0] == '/');
        root = std::string(shared ? SHARED_ROOT : home) + "/.local/share";
    }
    root += "/" + name;
    if (!make_folders(root))
        return std::string();
    // In the shared folder a folder made or writable by someone else would
    // let them put links where the records are written: none of those.
    if (shared && !own_private_folders(SHARED_ROOT, root))
        return std::string();
    return root + "/";
}
