#pragma once

// One simulated serial line: a pseudo-terminal whose slave device the station opens through
// a link DIR/comN. We hold the slave open ourselves for the whole run, so the station's
// opens and closes never hang up the line.

#include <cstddef>
#include <string>

namespace nerivo::sim {

class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Makes the pair (raw, master non-blocking) and the link `link_path` to its slave. A link
    // already there is replaced only when it points nowhere; false with `error` otherwise.
    bool open(const std::string& link_path, std::string& error);
    // Removes the link (if it is still ours) and closes the pair.
    void close();

    int master_fd() const { return master_; }
    const std::string& device_path() const { return device_; }
    const std::string& link_path() const { return link_; }

    // True while some other descriptor holds a lock on the device (the station's port
    // takes one when it opens).
    bool device_held() const;

    // When nobody holds the device: drops what is waiting in it (a real line with no one
    // listening loses its bytes too) and clears an exclusive-use flag left by a station that
    // died without clearing it. Returns whether the device was free.
    bool tidy();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::string link_;
    bool link_made_ = false;
};

// True when the lock table `locks` (the text of /proc/locks) has a lock on the file with
// device number `dev_major`:`dev_minor` and inode `inode`.
bool locks_name_file(const std::string& locks, unsigned dev_major, unsigned dev_minor,
                     unsigned long inode);

} // namespace nerivo::sim
