#include "c_text.h"

#include <locale.h>

namespace nerivo {

struct CNumericLocale::Previous {
    locale_t locale;
};

CNumericLocale::CNumericLocale() {
    static const locale_t c_locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    if (c_locale != static_cast<locale_t>(0)) {
        previous_ = std::make_unique<Previous>(Previous{uselocale(c_locale)});
    }
}

CNumericLocale::~CNumericLocale() {
    if (previous_) {
        uselocale(previous_->locale);
    }
}

} // namespace nerivo
