// A package with every block and three files, shared by the tests of the
// format's writer, reader and trailer.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "format/package_writer.h"
#include "format/scramble.h"
#include "tests/unit/test_util.h"

namespace rv {

inline PackageSettings BasicSettings() {
    PackageSettings s;
    s.stubImage = test::FakeStubImage(4096);
    s.languageBlock = test::LanguageBlock({{"English", "s0=Demo Setup"}});
    s.updateBlock = "|agent|Product.info|Update.exe|" + ScrambleItem("token-1", 5) + "|0|";
    s.timeStamp = 46000LL * 86400;
    return s;
}

inline const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"setup.exe", test::PatternBytes(30000, 1)},
    {"data\\readme.txt", std::string(50000, 'r')},
    {"empty.bin", ""},
};

}  // namespace rv
