// The names of the volumes of a spanned package.
#include <gtest/gtest.h>

#include "format/volumes.h"

namespace rv {
namespace {

TEST(VolumeNames, FirstVolumeWithOrWithoutSuffix) {
    EXPECT_EQ(VolumeName(VolumeBaseName("Setup.exe.001"), 2), "Setup.exe.002");
    EXPECT_EQ(VolumeName(VolumeBaseName("Setup.exe"), 2), "Setup.exe.002");
    EXPECT_EQ(VolumeName(VolumeBaseName("Setup.EXE.001"), 12), "Setup.EXE.012");
    EXPECT_EQ(VolumeBaseName("Setup.exe.0001"), "Setup.exe.0001");
}

}  // namespace
}  // namespace rv
