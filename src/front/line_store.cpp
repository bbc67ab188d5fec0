#include "line_store.h"

#include <cstdint>
#include <cstring>

namespace nerivo {

namespace {

// Each line is stored as its length (7 bits a byte, low bits first) and then its bytes.
std::size_t length_bytes(std::size_t length) {
    std::size_t bytes = 1;
    while (length >= 0x80) {
        length >>= 7;
        ++bytes;
    }
    return bytes;
}

char* put_length(char* out, std::size_t length) {
    while (length >= 0x80) {
        *out++ = static_cast<char>((length & 0x7F) | 0x80);
        length >>= 7;
    }
    *out++ = static_cast<char>(length);
    return out;
}

const char* get_length(const char* in, std::size_t* length) {
    std::size_t value = 0;
    int shift = 0;
    uint8_t byte = 0;
    do {
        byte = static_cast<uint8_t>(*in++);
        value |= static_cast<std::size_t>(byte & 0x7F) << shift;
        shift += 7;
    } while (byte & 0x80);
    *length = value;
    return in;
}

} // namespace

LineStore::LineStore(std::size_t kept) : kept_(kept > 0 ? kept : 1) {}

char* LineStore::reserve(std::size_t bytes) {
    if (bytes > BLOCK_BYTES) {
        // A line longer than a block gets one of its own; the current block stays current.
        own_blocks_.push_back({std::make_unique<char[]>(bytes), bytes, added_});
        block_bytes_ += bytes;
        return own_blocks_.back().bytes.get();
    }
    if (bytes > room_) {
        blocks_.push_back({std::make_unique<char[]>(BLOCK_BYTES), BLOCK_BYTES, added_});
        block_bytes_ += BLOCK_BYTES;
        free_ = blocks_.back().bytes.get();
        room_ = BLOCK_BYTES;
    }
    blocks_.back().last_line = added_;
    char* start = free_;
    free_ += bytes;
    room_ -= bytes;
    return start;
}

void LineStore::append(std::string_view line) {
    if (size() == kept_) {
        drop_oldest();
    }
    char* start = reserve(length_bytes(line.size()) + line.size());
    char* text = put_length(start, line.size());
    if (!line.empty()) {
        std::memcpy(text, line.data(), line.size());
    }
    const std::size_t slot = added_ - index_first_;
    if (slot == index_.size() * INDEX_CHUNK) {
        index_.push_back(std::make_unique<const char*[]>(INDEX_CHUNK));
    }
    index_[slot / INDEX_CHUNK][slot % INDEX_CHUNK] = start;
    ++added_;
}

void LineStore::drop_oldest() {
    const std::size_t line = dropped_++;
    if (!own_blocks_.empty() && own_blocks_.front().last_line == line) {
        block_bytes_ -= own_blocks_.front().size;
        own_blocks_.pop_front();
    }
    if (!blocks_.empty() && blocks_.front().last_line < dropped_) {
        if (blocks_.size() == 1) { // the current block: what comes next needs a new one
            free_ = nullptr;
            room_ = 0;
        }
        block_bytes_ -= blocks_.front().size;
        blocks_.pop_front();
    }
    if (dropped_ - index_first_ == INDEX_CHUNK) {
        index_.pop_front();
        index_first_ += INDEX_CHUNK;
    }
}

std::string_view LineStore::at(std::size_t index) const {
    const std::size_t slot = dropped_ + index - index_first_;
    std::size_t length = 0;
    const char* text = get_length(index_[slot / INDEX_CHUNK][slot % INDEX_CHUNK], &length);
    return std::string_view(text, length);
}

std::size_t LineStore::bytes_used() const {
    return block_bytes_ + index_.size() * (INDEX_CHUNK + 1) * sizeof(const char*) +
           (blocks_.size() + own_blocks_.size()) * sizeof(Block);
}

} // namespace nerivo
