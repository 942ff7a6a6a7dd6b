# Host tree (Linux): the portable library, the builder and the native tests;
# with RV_FUZZ (the fuzz preset, clang) the library and its fuzz targets.
find_package(ZLIB REQUIRED)
option(RV_FUZZ "build the libFuzzer targets instead of the builder and the tests" OFF)

add_library(core STATIC ${PORTABLE_SOURCES})
target_include_directories(core PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(core PRIVATE ${PROJECT_WARNINGS})
target_link_libraries(core PUBLIC ZLIB::ZLIB)

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
