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

char* LineStore::reserve(std::size_t bytes) {
    if (bytes > BLOCK_BYTES) {
        // A line longer than a block gets one of its own; the current block stays current.
        blocks_.push_back(std::make_unique<char[]>(bytes));
        block_bytes_ += bytes;
        return blocks_.back().get();
    }
    if (bytes > room_) {
        blocks_.push_back(std::make_unique<char[]>(BLOCK_BYTES));
        block_bytes_ += BLOCK_BYTES;
        free_ = blocks_.back().get();
        room_ = BLOCK_BYTES;
    }
    char* start = free_;
    free_ += bytes;
    room_ -= bytes;
    return start;
}

void LineStore::append(std::string_view line) {
    char* start = reserve(length_bytes(line.size()) + line.size());
    char* text = put_length(start, line.size());
    if (!line.empty()) {
        std::memcpy(text, line.data(), line.size());
    }
    if (count_ % INDEX_CHUNK == 0) {
        index_.push_back(std::make_unique<const char*[]>(INDEX_CHUNK));
    }
    index_[count_ / INDEX_CHUNK][count_ % INDEX_CHUNK] = start;
    ++count_;
}

std::string_view LineStore::at(std::size_t index) const {
    std::size_t length = 0;
    const char* text = get_length(index_[index / INDEX_CHUNK][index % INDEX_CHUNK], &length);
    return std::string_view(text, length);
}

std::size_t LineStore::bytes_used() const {
    return block_bytes_ + index_.size() * INDEX_CHUNK * sizeof(const char*) +
           (blocks_.capacity() + index_.capacity()) * sizeof(void*);
}

} // namespace nerivo
