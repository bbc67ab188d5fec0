#include "dump_output.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace nerivo {

struct StandardOutputDump::Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> records;
    std::size_t bytes = 0;
    bool writing = false;  // the thread holds a record it took off the queue
    bool dropping = false; // since the last time the queue ran empty with all written
    bool closing = false;
};

namespace {

void write_records(const std::shared_ptr<StandardOutputDump::Queue>& queue, int fd) {
    std::unique_lock lock(queue->mutex);
    for (;;) {
        queue->changed.wait(lock, [&] { return queue->closing || !queue->records.empty(); });
        if (queue->records.empty()) {
            return; // closing, and all is out
        }
        std::string record = std::move(queue->records.front());
        queue->records.pop_front();
        queue->bytes -= record.size();
        queue->writing = true;
        lock.unlock();
        const bool written = write_all(fd, record.data(), record.size());
        lock.lock();
        queue->writing = false;
        if (!written) {
            queue->dropping = true;
        } else if (queue->records.empty()) {
            queue->dropping = false;
        }
        queue->changed.notify_all();
    }
}

} // namespace

bool write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const std::ptrdiff_t n = write_some(fd, data, size);
        if (n < 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

StandardOutputDump::StandardOutputDump(int fd, std::size_t queue_limit)
    : queue_(std::make_shared<Queue>()), queue_limit_(queue_limit) {
    survive_closed_readers();
    std::thread(write_records, queue_, fd).detach();
}

// A reader that never reads again must not hold up the end of the program either: after
// DRAIN_MS the thread is left to the process's exit, and keeps the queue alive meanwhile.
StandardOutputDump::~StandardOutputDump() {
    std::unique_lock lock(queue_->mutex);
    queue_->closing = true;
    queue_->changed.notify_all();
    queue_->changed.wait_for(lock, std::chrono::milliseconds(DRAIN_MS),
                             [&] { return queue_->records.empty() && !queue_->writing; });
}

void StandardOutputDump::write(const std::string& text) {
    std::lock_guard lock(queue_->mutex);
    if (queue_->bytes + text.size() > queue_limit_) {
        queue_->dropping = true;
        return;
    }
    queue_->records.push_back(text);
    queue_->bytes += text.size();
    queue_->changed.notify_all();
}

bool StandardOutputDump::dropping() const {
    std::lock_guard lock(queue_->mutex);
    return queue_->dropping;
}

} // namespace nerivo
