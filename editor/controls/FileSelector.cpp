#include "editor/controls/FileSelector.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::mutex programsMutex;
std::vector<std::string>& Programs() {
    static std::vector<std::string> programs{"zenity", "kdialog"};
    return programs;
}

// The program's full path: as given when it holds a slash, else found on PATH.
std::string Locate(const std::string& program) {
    if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate(end > start ? std::string_view(dirs).substr(start, end - start) : std::string_view("."));
        candidate.push_back('/');
        candidate.append(program);
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::string();
}

bool IsKdialog(const std::string& path) {
    const size_t slash = path.rfind('/');
    return path.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, "kdialog") == 0;
}

std::vector<std::string> Arguments(const std::string& program, Mox_FileSelector::Kind kind, const char* filterName,
                                   const char* filterPattern, const char* title) {
    const std::string name = filterName ? filterName : "", pattern = filterPattern ? filterPattern : "*";
    std::vector<std::string> args{program};
    if (IsKdialog(program)) {
        args.push_back("--title");
        args.push_back(title ? title : "");
        const char* home = std::getenv("HOME");
        const std::string start = home && *home ? home : ".";
        if (kind == Mox_FileSelector::kFolder) {
            args.push_back("--getexistingdirectory");
            args.push_back(start);
        } else {
            args.push_back(kind == Mox_FileSelector::kLoad ? "--getopenfilename" : "--getsavefilename");
            args.push_back(start);
            args.push_back(pattern + "|" + name + "\n*|All Files");
        }
    } else {
        args.push_back("--file-selection");
        args.push_back(std::string("--title=") + (title ? title : ""));
        if (kind == Mox_FileSelector::kSave) args.push_back("--save");
        if (kind == Mox_FileSelector::kFolder) {
            args.push_back("--directory");
        } else {
            args.push_back("--file-filter=" + name + " | " + pattern);
            args.push_back("--file-filter=All Files | *");
        }
    }
    return args;
}

}  // namespace

void Mox_FileSelector::setDialogPrograms(const std::vector<std::string>& programs) {
    std::lock_guard<std::mutex> lock(programsMutex);
    Programs() = programs;
}

Mox_FileSelector::~Mox_FileSelector() {
    if (child > 0) {
        kill(child, SIGKILL);
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (output >= 0) close(output);
}

bool Mox_FileSelector::start(Kind k, const char* filterName, const char* filterPattern, const char* title) {
    if (busy()) return false;
    std::vector<std::string> programs;
    {
        std::lock_guard<std::mutex> lock(programsMutex);
        programs = Programs();
    }
    for (const std::string& program : programs) {
        const std::string path = Locate(program);
        if (path.empty()) continue;
        const std::vector<std::string> args = Arguments(path, k, filterName, filterPattern, title);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int failed = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (failed) {
            close(pipeFds[0]);
            continue;
        }
        fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
        kind = k;
        child = pid;
        output = pipeFds[0];
        answer.clear();
        result.clear();
        return true;
    }
    return false;
}

void Mox_FileSelector::drain() {
    if (output < 0) return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(output, buffer, sizeof buffer);
        if (n > 0) {
            // More than any path we would take is not a path: keep only enough to tell.
            if (answer.size() < 2 * kPathSize) answer.append(buffer, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
}

bool Mox_FileSelector::acceptable(const std::string& chosen) const {
    if (chosen.empty() || chosen.size() >= kPathSize || chosen.find('\0') != std::string::npos ||
        chosen.find('\n') != std::string::npos || chosen[0] != '/')
        return false;
    struct stat st;
    switch (kind) {
    case kLoad: return stat(chosen.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    case kFolder: return stat(chosen.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    case kSave: {
        const std::string folder = chosen.substr(0, chosen.rfind('/'));
        return stat(folder.empty() ? "/" : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    }
    return false;
}

Mox_FileSelector::State Mox_FileSelector::poll() {
    if (child <= 0) return kIdle;
    drain();
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == 0 || (done < 0 && errno == EINTR)) return kOpen;
    // Ended, or reaped by someone else (a host's SIGCHLD handler): then only an
    // answer that came complete, with its line end, counts.
    const bool reapedElsewhere = done != child;
    const bool exitedWell = reapedElsewhere || (WIFEXITED(status) && WEXITSTATUS(status) == 0);
    drain();
    close(output);
    output = -1;
    child = -1;
    std::string chosen = answer;
    if (!chosen.empty() && chosen.back() == '\n') chosen.pop_back();
    else if (reapedElsewhere) chosen.clear();
    answer.clear();
    if (!exitedWell || !acceptable(chosen)) return kNothing;
    result = chosen;
    return kChosen;
}
