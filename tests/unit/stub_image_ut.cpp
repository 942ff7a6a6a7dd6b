// The stub image a build starts from: whole, and nothing after it.
#include <gtest/gtest.h>

#include "builder/stub_image.h"
#include "format/bytes.h"
#include "tests/unit/test_util.h"

namespace rv::builder {
namespace {

// The stand-in image with a COFF symbol table and its string table behind
// the section data, as an unstripped link leaves them.
std::string WithSymbols(std::string image) {
    const size_t coff = 260, table = image.size();
    uint8_t* p = reinterpret_cast<uint8_t*>(&image[0]);
    PutU32(p + coff + 8, static_cast<uint32_t>(table));
    PutU32(p + coff + 12, 2);
    image += std::string(2 * 18, 's');
    std::string strings(4, '\0');
    PutU32(reinterpret_cast<uint8_t*>(&strings[0]), 10);
    return image + strings + std::string("name\0x", 6);
}

TEST(StubImage, AcceptsAWholeImageOnly) {
    const std::string stub = test::FakeStubImage(4096);
    const struct {
        const char* what;
        std::string image;
        const char* problem;  // "" for a usable stub
    } cases[] = {
        {"whole", stub, ""},
        {"with its symbol table", WithSymbols(stub), ""},
        {"cut off", stub.substr(0, 1000), "a cut-off stub image: its headers say 4096 bytes, the file has 1000"},
        {"with a package behind it", stub + "package", "not a bare stub image: 7 bytes follow the image"},
        {"PE header elsewhere", test::FakeStubImage(4096, 128), "its PE header is not at offset 256"},
        {"no sections", stub.substr(0, 262) + std::string(2, '\0') + stub.substr(264), "its PE headers do not read"},
    };
    for (const auto& c : cases) {
        const std::string problem = StubImageProblem(c.image);
        EXPECT_EQ(problem.empty(), !c.problem[0]) << c.what << ": " << problem;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.what << ": " << problem;
    }
}

}  // namespace
}  // namespace rv::builder
