// mksetup: makes, inspects and unpacks setup files.
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "builder/cli.h"

int main(int argc, char** argv) {
    const rv::builder::Environment env{std::getenv("SOURCE_DATE_EPOCH"), std::time(nullptr)};
    return rv::builder::RunCli(std::vector<std::string>(argv + 1, argv + argc), env, std::cout, std::cerr);
}
