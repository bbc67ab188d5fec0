#pragma once

// Bytes the heap has handed out and not had back, for tests that check memory stays flat.

#include <cstddef>

namespace nerivo::testing {

std::size_t heap_in_use();

} // namespace nerivo::testing
