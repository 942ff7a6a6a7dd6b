# Host tree (Linux): the portable libraries, the builder and the native tests;
# with RV_FUZZ (the fuzz preset, clang) the libraries and their fuzz targets.
find_package(ZLIB REQUIRED)
option(RV_FUZZ "build the libFuzzer targets instead of the builder and the tests" OFF)

foreach(folder IN LISTS RV_SOURCE_FOLDERS)
    add_subdirectory(${folder})
endforeach()

if(RV_FUZZ)
    add_subdirectory(tests/fuzz)
    return()
endif()

find_package(GTest REQUIRED)
include(GoogleTest)
add_subdirectory(builder)
add_subdirectory(tests/unit)
add_subdirectory(tests/e2e)
add_subdirectory(tests/sweep)
