#include <gtest/gtest.h>

#include "builder/sha256.h"
#include "tests/unit/sha256_vectors.h"

namespace rv {
namespace {

TEST(PortableSha256, KnownAnswersInPiecesOfAnySize) {
    builder::PortableSha256 sha;
    for (const test::Sha256Vector& v : test::kSha256Vectors)
        for (size_t piece : {1, 63, 64, 65, 100000})
            EXPECT_EQ(test::DigestHex(sha, v.input, piece), v.digest) << v.input.size() << " bytes by " << piece;
}

}  // namespace
}  // namespace rv
