#include "text_diff.h"

#include <algorithm>
#include <cstdint>

namespace nerivo::testing {
namespace {

struct Edit {
    char op;                                // ' ', '-' or '+'
    std::size_t expected_line, actual_line; // where the edit stands, 0-based
};

// Longest common subsequence, walked from the front so deletions come before insertions.
std::vector<Edit> edits_of(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<uint32_t> lcs((n + 1) * (m + 1), 0);
    const auto at = [m, &lcs](std::size_t i, std::size_t j) -> uint32_t& {
        return lcs[i * (m + 1) + j];
    };
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m; j-- > 0;) {
            at(i, j) = a[i] == b[j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
        }
    }
    std::vector<Edit> edits;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            edits.push_back({' ', i++, j++});
        } else if (j == m || (i < n && at(i + 1, j) >= at(i, j + 1))) {
            edits.push_back({'-', i++, j});
        } else {
            edits.push_back({'+', i, j++});
        }
    }
    return edits;
}

// "start,count" of a hunk side, 1-based; an empty side names the line before it.
std::string range(std::size_t first, std::size_t count) {
    const std::size_t start = count == 0 ? first : first + 1;
    return std::to_string(start) + (count == 1 ? "" : "," + std::to_string(count));
}

} // namespace

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        if (end == std::string::npos) {
            lines.push_back(text.substr(from));
            break;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

std::string unified_diff(const std::vector<std::string>& expected,
                         const std::vector<std::string>& actual, const std::string& expected_name,
                         const std::string& actual_name, int context) {
    if (expected == actual) {
        return "";
    }
    // A quadratic table is fine for goldens; for anything huge, say where it starts to differ.
    if (expected.size() * actual.size() > 20'000'000) {
        std::size_t i = 0;
        while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) {
            ++i;
        }
        return "--- " + expected_name + "\n+++ " + actual_name + "\n(too long to diff; line " +
               std::to_string(i + 1) + " is the first that differs)\n";
    }
    const std::vector<Edit> edits = edits_of(expected, actual);
    const auto ctx = static_cast<std::size_t>(std::max(context, 0));
    std::string out = "--- " + expected_name + "\n+++ " + actual_name + "\n";
    std::size_t k = 0;
    while (k < edits.size()) {
        // The next change, and the run of changes close enough to share its hunk.
        while (k < edits.size() && edits[k].op == ' ') {
            ++k;
        }
        if (k == edits.size()) {
            break;
        }
        const std::size_t begin = k >= ctx ? k - ctx : 0;
        std::size_t end = k;
        for (std::size_t last_change = k; end < edits.size(); ++end) {
            if (edits[end].op != ' ') {
                last_change = end;
            } else if (end - last_change > 2 * ctx) {
                break;
            }
        }
        // Trim the trailing context to `ctx` lines after the last change.
        std::size_t last_change = end;
        while (last_change-- > begin && edits[last_change].op == ' ') {
        }
        end = std::min(edits.size(), last_change + 1 + ctx);

        std::size_t expected_count = 0, actual_count = 0;
        for (std::size_t e = begin; e < end; ++e) {
            expected_count += edits[e].op != '+';
            actual_count += edits[e].op != '-';
        }
        out += "@@ -" + range(edits[begin].expected_line, expected_count) + " +" +
               range(edits[begin].actual_line, actual_count) + " @@\n";
        for (std::size_t e = begin; e < end; ++e) {
            const std::string& line = edits[e].op == '+' ? actual[edits[e].actual_line]
                                                         : expected[edits[e].expected_line];
            out += edits[e].op + line + "\n";
        }
        k = end;
    }
    return out;
}

} // namespace nerivo::testing
