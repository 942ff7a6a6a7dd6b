// The stub image a build starts from: a PE image whose file ends where its
// headers say, so that a cut-off copy or an already-built setup file (which
// would nest its own package) is refused before anything is written.
#pragma once

#include <cstdint>
#include <string>

namespace rv::builder {

// Where the image's file ends according to its headers: the furthest of the
// section data, the COFF symbol table with its string table and the
// certificate table. 0 when the headers cannot be read (no "MZ", no PE
// signature where e_lfanew points, a section table past the end).
uint64_t PeImageEnd(const std::string& image);

// "" for a usable stub, else why it is not one.
std::string StubImageProblem(const std::string& image);

}  // namespace rv::builder
