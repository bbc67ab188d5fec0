#include "line_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using nerivo::LineStore;

TEST(LineStore, KeepsEveryLineWhateverItsLength) {
    LineStore store(6000);
    std::vector<std::string> lines;
    // Lengths around the one- and two-byte length prefixes and past a whole block.
    for (const std::size_t length : {0u, 1u, 127u, 128u, 16383u, 16384u, 70000u, 3u}) {
        lines.push_back(std::string(length, static_cast<char>('a' + length % 26)));
    }
    // Enough short lines to fill several blocks.
    for (int i = 0; i < 5000; ++i) {
        lines.push_back("[000 00:00:00] line " + std::to_string(i) + std::string(i % 40, '.'));
    }
    lines.push_back(std::string(LineStore::BLOCK_BYTES - 3, 'z')); // fits one block exactly
    lines.push_back("after");
    for (const std::string& line : lines) {
        store.append(line);
    }
    ASSERT_EQ(store.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(store.at(i), lines[i]) << "line " << i;
    }
}

TEST(LineStore, CostsLittleMoreThanTheTextItself) {
    constexpr std::size_t LINES = 200'000;
    LineStore store(LINES);
    const std::string line = "[123 12:34:56] WinFrog responding...Connected";
    for (std::size_t i = 0; i < LINES; ++i) {
        store.append(line);
    }
    const double per_line = static_cast<double>(store.bytes_used()) / LINES;
    // The text, a length byte and an 8-byte position; block ends and chunk lists add little.
    const double least = static_cast<double>(line.size() + 1 + 8);
    EXPECT_GE(per_line, least);
    EXPECT_LT(per_line, least + 1.0);
}

TEST(LineStore, KeepsTheNewestLinesAndFreesWhatTheOthersHeld) {
    struct Row {
        const char* lines;
        std::size_t kept, count;
        std::size_t long_run; // lines come in runs of this many short then as many long; 0: short
    };
    const Row rows[] = {
        {"fewer than kept", 100, 40, 0},
        {"exactly kept", 100, 100, 0},
        {"one more than kept", 100, 101, 0},
        {"many times kept, over blocks and index chunks", 100, 20'000, 0},
        {"longer than a block, one in two", 100, 1'000, 1},
        {"longer than a block, more in a run than kept", 3, 60, 10},
    };
    for (const Row& row : rows) {
        const auto text = [&row](std::size_t i) {
            std::string line = "line " + std::to_string(i);
            if (row.long_run > 0 && i / row.long_run % 2 == 1) {
                line.resize(LineStore::BLOCK_BYTES + 100, '#');
            }
            return line;
        };
        LineStore store(row.kept);
        for (std::size_t i = 0; i < row.count; ++i) {
            store.append(text(i));
        }
        const std::size_t first = row.count - std::min(row.count, row.kept);
        ASSERT_EQ(store.size(), row.count - first) << row.lines;
        LineStore fresh(row.kept); // given only the lines kept
        for (std::size_t i = first; i < row.count; ++i) {
            ASSERT_EQ(store.at(i - first), text(i)) << row.lines << ", line " << i;
            fresh.append(text(i));
        }
        // At most one block and one index chunk more, whose older lines are gone.
        EXPECT_LE(store.bytes_used(), fresh.bytes_used() + LineStore::BLOCK_BYTES +
                                          LineStore::INDEX_CHUNK * sizeof(void*) + 1024)
            << row.lines;
    }
}

} // namespace
