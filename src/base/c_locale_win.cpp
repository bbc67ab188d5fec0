#include "c_text.h"

#include <clocale>
#include <locale.h>
#include <string>

namespace nerivo {

// The C runtime here has no per-thread locale objects: the thread is given a locale of its
// own, switched to C for numbers, and put back afterwards. msvcrt.dll cannot give a thread a
// locale of its own (-1): then the process's numeric locale is switched for the moment.
struct CNumericLocale::Previous {
    int thread_mode;
    std::string numeric;
};

CNumericLocale::CNumericLocale() {
    const int mode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    previous_ = std::make_unique<Previous>(Previous{mode, numeric != nullptr ? numeric : "C"});
    std::setlocale(LC_NUMERIC, "C");
}

CNumericLocale::~CNumericLocale() {
    std::setlocale(LC_NUMERIC, previous_->numeric.c_str());
    if (previous_->thread_mode != -1) {
        _configthreadlocale(previous_->thread_mode);
    }
}

} // namespace nerivo
