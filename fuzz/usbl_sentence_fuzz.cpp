// USBL sentences come from the navigation link: any bytes at all may arrive.
#include "usbl_sentence.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size); // exactly sized: no terminator
    nerivo::UsblSentence sentence;
    const int filled = nerivo::scan_usbl_sentence(bytes.data(), bytes.size(), &sentence);
    if (filled < 0 || filled > nerivo::USBL_SENTENCE_CONVERSIONS) {
        std::abort();
    }
    if (sentence.tag[6] != '\0') {
        std::abort();
    }
    return 0;
}
