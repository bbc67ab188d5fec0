#pragma once

// Append-only storage for the lines of a log that may run for weeks: the text sits packed in
// fixed-size blocks that never move, so adding a line costs the same at the millionth line as
// at the first, and a line costs little more than its own bytes.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace nerivo {

class LineStore {
public:
    static constexpr std::size_t BLOCK_BYTES = 64 * 1024;
    static constexpr std::size_t INDEX_CHUNK = 4096; // line positions per index chunk

    void append(std::string_view line);

    // The line added `index`-th (0 is the oldest); index < size().
    std::string_view at(std::size_t index) const;

    std::size_t size() const { return count_; }

    // Bytes held for lines, index included.
    std::size_t bytes_used() const;

private:
    char* reserve(std::size_t bytes);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t block_bytes_ = 0; // sum of the sizes of all blocks
    char* free_ = nullptr;        // next free byte in the current block
    std::size_t room_ = 0;        // bytes left in the current block

    std::vector<std::unique_ptr<const char*[]>> index_; // where each line starts
    std::size_t count_ = 0;
};

} // namespace nerivo
