#pragma once

// Storage for the newest lines of a log that may run for weeks: the text sits packed in
// fixed-size blocks that never move, so adding a line costs the same at the millionth line as
// at the first, and a line costs little more than its own bytes. Past `kept` lines the oldest
// go, and a block or an index chunk is freed once every line in it is gone, so a log that runs
// for weeks or meets a burst of faults holds no more than its newest lines.

#include <cstddef>
#include <deque>
#include <memory>
#include <string_view>

namespace nerivo {

// How many lines each log on screen keeps, in either window: weeks of running or a burst of
// faults cannot grow the window without bound. The log files keep every line.
inline constexpr std::size_t LOG_LINES_KEPT = 100'000;

class LineStore {
public:
    static constexpr std::size_t BLOCK_BYTES = 64 * 1024;
    static constexpr std::size_t INDEX_CHUNK = 4096; // line positions per index chunk

    // Keeps the newest `kept` lines (at least 1).
    explicit LineStore(std::size_t kept);

    // Drops the oldest line first when `kept` lines are held already.
    void append(std::string_view line);

    // size() > 0.
    void drop_oldest();

    // The index-th line held (0 is the oldest); index < size().
    std::string_view at(std::size_t index) const;

    std::size_t size() const { return added_ - dropped_; }
    std::size_t kept() const { return kept_; }

    // Bytes held for lines, index included.
    std::size_t bytes_used() const;

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
        std::size_t last_line; // the newest line that starts in it
    };

    char* reserve(std::size_t bytes);

    std::size_t kept_;
    // Shared blocks, oldest first; the last one is current while `room_` > 0. A line longer
    // than a block gets one of its own meanwhile, so these are kept apart, oldest first too:
    // each list then frees from its front in line order.
    std::deque<Block> blocks_;
    std::deque<Block> own_blocks_;
    std::size_t block_bytes_ = 0; // sum of the sizes of all blocks
    char* free_ = nullptr;        // next free byte in the current block
    std::size_t room_ = 0;        // bytes left in the current block

    std::deque<std::unique_ptr<const char*[]>> index_; // where each line starts
    std::size_t index_first_ = 0; // number of the line that index_.front() starts with
    std::size_t added_ = 0;       // lines ever added
    std::size_t dropped_ = 0;     // of which the oldest this many are gone
};

} // namespace nerivo
