// Process facts on POSIX: /proc/self/exe, the private temporary folder, the
// start-up log, and the error code with the unwinding end.
#include "runtime/process/process.h"
#include "runtime/web/web.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* LOG_NAME = "ErrorLog.txt";
constexpr int LOG_OPEN_TRIES = 5;

struct ProcessState {
    double error_code = 0;
    std::string error_what;
    bool ending = false;              // the shut-down is running
    void (*shutdown)() = nullptr;
};

ProcessState process;

// The executable's own path, from /proc (empty if it cannot be read).
std::string read_self_path() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::string();
    return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace

// ---------------------------------------------------------------- paths

std::string program_path() {
    static const std::string path = read_self_path();
    return path;
}

std::string program_dir() {
    const std::string path = program_path();
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string user_temp_dir() {
    // Only an absolute folder counts: a relative one would point into the
    // program's folder, which start-up makes current.
    for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        if (value && *value == '/') {
            std::string folder = value;
            if (folder.back() != '/') folder += '/';
            return folder;
        }
    }
    // A folder of our own under /tmp: made private, refused when someone
    // else owns it or it is not a real folder (a planted link, say).
    const uid_t uid = getuid();
    const std::string folder = "/tmp/wedgewise-" + std::to_string(uid);
    mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == uid) {
        if ((info.st_mode & 0777) != 0700) chmod(folder.c_str(), 0700);
        return folder + "/";
    }
    // Fall back to a fresh private folder for this process.
    static std::string private_folder;
    if (private_folder.empty()) {
        char name[] = "/tmp/wedgewise-XXXXXX";
        if (mkdtemp(name)) private_folder = std::string(name) + "/";
    }
    return private_folder;
}

// ---------------------------------------------------------------- files

int create_private_file(const std::string& path, bool append) {
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    return open(path.c_str(), flags, 0600);
}

bool write_all(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// ---------------------------------------------------------------- start-up log

std::string startup_log_path() {
    const std::string folder = user_temp_dir();
    return folder.empty() ? std::string() : folder + LOG_NAME;
}

void startup_log(const std::string& line) {
#ifdef __EMSCRIPTEN__
    web_log(line);  // the browser's console is where a player can see it
#endif
    const std::string path = startup_log_path();
    if (path.empty()) return;
    int fd = -1;
    for (int attempt = 0; attempt < LOG_OPEN_TRIES && fd < 0; ++attempt) fd = create_private_file(path, true);
    if (fd < 0) return;
    const std::string text = line + "\r\n";
    write_all(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    close(fd);
}

void startup_log_clear() {
    const std::string path = startup_log_path();
    if (!path.empty()) unlink(path.c_str());
}

// ---------------------------------------------------------------- errors and the end

double set_error_code(double code, const std::string& what) {
    process.error_code = code;
    process.error_what = what;
    return code;
}

double runtime_error_code() { return process.error_code; }

void runtime_error(int code, const std::string& what) {
    if (!process.ending) set_error_code(code, what);
    startup_log("Runtime Error " + std::to_string(code) + ": " + what);
    std::fprintf(stderr, "wedgewise: run-time error %d: %s\n", code, what.c_str());
    program_end();
}

void program_end() {
    if (process.shutdown && !process.ending) {
        process.ending = true;
        process.shutdown();
        process.ending = false;
    }
    throw ProgramEnded{};
}

void program_quit() {
    set_error_code(0);
    program_end();
}

void set_program_shutdown(void (*shutdown)()) { process.shutdown = shutdown; }
