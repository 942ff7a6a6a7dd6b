// Names of the stub's temporary folders.
#pragma once

#include <string>

namespace rv {

// parent + prefix + the random part. Empty when either the parent or the
// random part is: a folder named without them would land in the current
// folder or at a drive root, or be one anybody could prepare.
std::string PrivateFolderName(const std::string& parent, const std::string& prefix, const std::string& randomPart);

}  // namespace rv
