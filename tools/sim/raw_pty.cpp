#include "raw_pty.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace nerivo {

bool open_raw_pty(int& master, int& slave, std::string& device_path, std::string& error) {
    int m = -1;
    int s = -1;
    char name[PATH_MAX] = {};
    if (openpty(&m, &s, name, nullptr, nullptr) != 0) {
        error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    termios raw{};
    if (tcgetattr(s, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(s, TCSANOW, &raw);
    }
    for (int fd : {m, s}) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    master = m;
    slave = s;
    device_path = name;
    return true;
}

} // namespace nerivo
