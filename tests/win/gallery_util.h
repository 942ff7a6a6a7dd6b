// The side of the gallery programs in their handshake with
// tests/e2e/gallery.sh:
//   <program> <item> <ready file> <done file>
// The program shows the item's window; once the window is complete and
// painted it creates <ready file>, and it closes the window when <done file>
// appears.
#pragma once

#include <cstddef>

namespace rv::test {

struct GalleryItem {
    const char* name;
    void (*show)();  // returns when the window is closed
};

// The window counts as complete once a window of `windowClass` on this
// thread has a child of `childClass`. Returns the exit code of the program.
int RunGalleryItem(int argc, char** argv, const GalleryItem* items, size_t count, const char* windowClass,
                   const char* childClass);

}  // namespace rv::test
