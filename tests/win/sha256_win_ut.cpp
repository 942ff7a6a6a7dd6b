#include <gtest/gtest.h>

#include "package/sha256_win.h"
#include "tests/unit/sha256_vectors.h"

namespace rv {
namespace {

TEST(SystemSha256, KnownAnswersFromTheSystem) {
    SystemSha256 sha;
    ASSERT_TRUE(sha.Available());
    for (const test::Sha256Vector& v : test::kSha256Vectors)
        for (size_t piece : {1000, 65536})
            EXPECT_EQ(test::DigestHex(sha, v.input, piece), v.digest) << v.input.size() << " bytes by " << piece;
}

}  // namespace
}  // namespace rv
