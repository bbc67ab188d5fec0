// C-locale number text on Windows, where the runtime switches the locale per thread or per
// process depending on the thread's mode.
#include "c_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <locale.h>
#include <string>

namespace {

std::string printed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A locale whose decimal mark is a comma, under whichever name this runtime knows it.
bool use_comma_locale() {
    for (const char* name : {"German_Germany.1252", "de-DE", "German", "deu"}) {
        if (std::setlocale(LC_ALL, name) != nullptr && printed(1.5) == "1,5") {
            return true;
        }
    }
    return false;
}

class CLocaleNumbers : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        _configthreadlocale(_DISABLE_PER_THREAD_LOCALE);
    }
};

TEST_P(CLocaleNumbers, HaveADecimalPointAndLeaveTheLocaleAsItWas) {
    if (_configthreadlocale(GetParam()) == -1) {
        GTEST_SKIP() << "no locales of a thread's own in this runtime";
    }
    if (!use_comma_locale()) {
        GTEST_SKIP() << "no locale with a decimal comma here";
    }
    EXPECT_EQ(nerivo::c_format("%.1f|%.3f", 1.5, -270.25), "1.5|-270.250");
    EXPECT_EQ(printed(1.5), "1,5");
    EXPECT_EQ(_configthreadlocale(0), GetParam());
}

INSTANTIATE_TEST_SUITE_P(ThreadModes, CLocaleNumbers,
                         ::testing::Values(_DISABLE_PER_THREAD_LOCALE, _ENABLE_PER_THREAD_LOCALE));

} // namespace
