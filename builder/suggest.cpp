#include "builder/suggest.h"

#include <algorithm>

#include "base/text.h"

namespace rv::builder {

namespace {

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            const size_t same = UpperAscii(a[i - 1]) == UpperAscii(b[j - 1]) ? 0 : 1;
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + same});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates) {
    const std::string* best = nullptr;
    size_t bestDistance = std::max<size_t>(2, word.size() / 3) + 1;
    for (const std::string& c : candidates) {
        const size_t d = EditDistance(word, c);
        if (d < bestDistance) {
            best = &c;
            bestDistance = d;
        }
    }
    return best ? " (did you mean '" + *best + "'?)" : "";
}

}  // namespace rv::builder
