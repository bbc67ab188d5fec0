#include "pty_link.h"

#include "raw_pty.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace nerivo::sim {
namespace {

std::string read_link(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

} // namespace

PtyLink::~PtyLink() {
    close();
}

bool PtyLink::open(const std::string& link_path, std::string& error) {
    close();
    if (!open_raw_pty(master_, slave_, device_, error)) {
        return false;
    }

    struct stat st {};
    if (::lstat(link_path.c_str(), &st) == 0) {
        struct stat target {};
        if (!S_ISLNK(st.st_mode) || ::stat(link_path.c_str(), &target) == 0) {
            const std::string points = S_ISLNK(st.st_mode) ? " -> " + read_link(link_path) : "";
            error = link_path + points + " already exists; not replacing it";
            close();
            return false;
        }
        ::unlink(link_path.c_str()); // left behind by a run that could not clean up
    }
    if (::symlink(device_.c_str(), link_path.c_str()) != 0) {
        error = "cannot make " + link_path + ": " + std::strerror(errno);
        close();
        return false;
    }
    link_ = link_path;
    link_made_ = true;
    return true;
}

void PtyLink::close() {
    if (link_made_) {
        // Someone may have put their own link there meanwhile; that one stays.
        if (read_link(link_) == device_) {
            ::unlink(link_.c_str());
        }
        link_made_ = false;
    }
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
}

bool locks_name_file(const std::string& locks, unsigned dev_major, unsigned dev_minor,
                     unsigned long inode) {
    // Lines read "1: FLOCK  ADVISORY  WRITE 8311 00:1a:3 0 EOF"; a lock someone waits for
    // has "->" after the number.
    std::istringstream lines(locks);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            unsigned maj = 0, min = 0;
            unsigned long ino = 0;
            char tail = 0;
            if (std::sscanf(word.c_str(), "%x:%x:%lu%c", &maj, &min, &ino, &tail) == 3) {
                if (maj == dev_major && min == dev_minor && ino == inode) {
                    return true;
                }
                break;
            }
        }
    }
    return false;
}

bool PtyLink::device_held() const {
    if (slave_ < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(slave_, &st) != 0) {
        return true;
    }
    std::ifstream file("/proc/locks");
    if (!file) {
        return true; // can't tell: leave the line alone
    }
    std::stringstream text;
    text << file.rdbuf();
    return locks_name_file(text.str(), major(st.st_dev), minor(st.st_dev),
                           static_cast<unsigned long>(st.st_ino));
}

bool PtyLink::tidy() {
    if (slave_ < 0 || device_held()) {
        return false;
    }
    tcflush(slave_, TCIFLUSH);
#ifdef TIOCGEXCL
    int exclusive = 0;
    if (ioctl(slave_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        ioctl(slave_, TIOCNXCL);
    }
#endif
    return true;
}

} // namespace nerivo::sim
