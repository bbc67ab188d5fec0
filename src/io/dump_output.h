#pragma once

// Where the dump of every nav record goes: standard output in the program, a collector in a
// test that wants the text without the process's standard output.

#include <cstddef>
#include <memory>
#include <string>

namespace nerivo {

class DumpOutput {
public:
    virtual ~DumpOutput() = default;
    // One record's dump, whole. Never blocks for long.
    virtual void write(const std::string& text) = 0;
    // True while records are being dropped because nothing takes them; false again once
    // everything still queued has gone out.
    virtual bool dropping() const { return false; }
};

// A file descriptor (standard output in the program) fed from a bounded queue by a thread
// of its own, so that a reader who stops reading, or has gone, never holds up the station.
// Each record goes out whole or not at all; a file or a terminal sees what it always saw.
class StandardOutputDump : public DumpOutput {
public:
    // What may wait for a slow reader; beyond it whole records are dropped.
    static constexpr std::size_t QUEUE_LIMIT = 1 << 20;
    // How long the destructor lets queued records go out before giving up on the reader.
    static constexpr int DRAIN_MS = 2000;

    explicit StandardOutputDump(int fd = 1, std::size_t queue_limit = QUEUE_LIMIT);
    ~StandardOutputDump() override;
    StandardOutputDump(const StandardOutputDump&) = delete;
    StandardOutputDump& operator=(const StandardOutputDump&) = delete;

    void write(const std::string& text) override;
    bool dropping() const override;

    struct Queue; // shared with the writing thread, which may outlive us

private:
    std::shared_ptr<Queue> queue_;
    std::size_t queue_limit_;
};

// Writes all of `size` bytes to `fd`, waiting as long as it takes (a non-blocking descriptor
// too); false when the descriptor will take no more (a reader gone). Called from the writing
// thread, and by log files.
[[nodiscard]] bool write_all(int fd, const char* data, std::size_t size);
// The platform's side of it: one write of up to `size` bytes, waiting for a full descriptor
// to take more. The count written, 0 to try again, or -1 when the descriptor takes no more.
std::ptrdiff_t write_some(int fd, const char* data, std::size_t size);
// A reader that has gone must not end the process (no SIGPIPE where there is one).
void survive_closed_readers();

// Puts the null device on any of descriptors 0, 1 and 2 that the process was started without,
// so that the next file the process opens (a log file, a serial port) cannot take one of their
// numbers and receive the record dump. Called first thing, before anything opens a file.
void open_closed_standard_descriptors();

} // namespace nerivo
