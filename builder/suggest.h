// "Did you mean" for a misspelt command, option or key.
#pragma once

#include <string>
#include <vector>

namespace rv::builder {

// " (did you mean 'x'?)" for the candidate closest to `word` (ignoring
// case, at most two letters or a third of them apart), else "".
std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace rv::builder
