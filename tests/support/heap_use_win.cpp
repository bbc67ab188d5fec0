#include "heap_use.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Wine's heap walk leaves blocks out, so the bytes are counted where C++ asks for them: every
// operator new and delete of the program comes here once this file is linked in. Each block
// carries its size in front, in room that keeps the caller's alignment.

namespace {

constexpr std::size_t HEADER = alignof(std::max_align_t);
std::atomic<std::size_t> bytes_in_use{0};

} // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size + HEADER);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(block) = size;
    bytes_in_use += size;
    return static_cast<char*>(block) + HEADER;
}

void operator delete(void* pointer) noexcept {
    if (pointer == nullptr) {
        return;
    }
    void* block = static_cast<char*>(pointer) - HEADER;
    bytes_in_use -= *static_cast<std::size_t*>(block);
    std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}

namespace nerivo::testing {

std::size_t heap_in_use() {
    return bytes_in_use;
}

} // namespace nerivo::testing
