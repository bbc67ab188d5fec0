#include "dump_output.h"

#include <cstdio>

namespace nerivo {

void StandardOutputDump::write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

} // namespace nerivo
