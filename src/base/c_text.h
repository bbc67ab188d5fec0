#pragma once

// Numbers to and from text the way the station has always shown and read them: C's
// formatted printing, and decimal text read as C's atoi reads it, both with a decimal point
// whatever the user's locale.

#include <cstdint>
#include <memory>
#include <string>

namespace nerivo {

// Switches this thread to the C numeric locale for as long as the object lives (one file
// per platform says how).
class CNumericLocale {
public:
    CNumericLocale();
    ~CNumericLocale();
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    struct Previous; // the thread's locale before, in the platform's terms
    std::unique_ptr<Previous> previous_;
};

// printf-style formatting into a string as long as the text needs.
std::string c_format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Leading blanks skipped, an optional sign, then digits up to the first other character;
// no digits gives 0. Values beyond 32 bits are held at the nearest limit.
int32_t decimal_value(const std::string& text);

} // namespace nerivo
