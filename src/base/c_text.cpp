#include "c_text.h"

#include <cstdarg>
#include <cstdio>
#include <limits>

namespace nerivo {

std::string c_format(const char* format, ...) {
    CNumericLocale c_numbers;
    char small[64];
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0) {
        return {};
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        return std::string(small, static_cast<size_t>(needed));
    }
    std::string text(static_cast<size_t>(needed), '\0');
    va_start(args, format);
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

int32_t decimal_value(const std::string& text) {
    size_t i = 0;
    // The blanks C's isspace knows in the C locale.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated negatively, so the most negative value fits too.
    constexpr int64_t LOWEST = std::numeric_limits<int32_t>::min();
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < LOWEST) {
            value = LOWEST;
        }
    }
    if (!negative) {
        value = -value;
        if (value > std::numeric_limits<int32_t>::max()) {
            value = std::numeric_limits<int32_t>::max();
        }
    }
    return static_cast<int32_t>(value);
}

} // namespace nerivo
