#include "platform/shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

namespace platform {
namespace {

constexpr char kOpener[] = "xdg-open";

std::function<void(std::string_view)>& replacedOpener() {
    static std::function<void(std::string_view)> opener;
    return opener;
}

// In the opener: standard input and output go nowhere, so that it never reads
// from or draws over the terminal the program runs in.
void attachToNothing(int devNull) {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fd == devNull) {
            fcntl(fd, F_SETFD, 0);  // keep it open across exec
        } else {
            dup2(devNull, fd);
        }
    }
}

// Two forks: the middle process starts a session of its own, forks the opener
// and ends at once, so waiting for it here takes no time; the opener is then
// an orphan, reaped by init, and nothing of it is left to this program.
void runXdgOpen(std::string_view address) {
    if (address.empty() || address.front() == '-') return;  // would be taken as an option
    std::string argument(address);
    std::string program = kOpener;
    char* const argv[] = {program.data(), argument.data(), nullptr};
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0) return;
    const pid_t middle = fork();
    if (middle == 0) {
        setsid();
        if (fork() == 0) {
            attachToNothing(devNull);
            execvp(argv[0], argv);
            _exit(127);
        }
        _exit(0);
    }
    ::close(devNull);
    if (middle < 0) return;
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

void shellOpen(std::string_view address) noexcept {
    try {
        if (replacedOpener()) {
            replacedOpener()(address);
        } else {
            runXdgOpen(address);
        }
    } catch (...) {
        // The result of an open is never reported, a failure to start it included.
    }
}

void setShellOpener(std::function<void(std::string_view)> opener) { replacedOpener() = std::move(opener); }

}  // namespace platform
