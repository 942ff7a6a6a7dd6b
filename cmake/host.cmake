# Host tree (Linux): the portable library, the builder and the native tests.
find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)
include(GoogleTest)

add_library(core STATIC ${PORTABLE_SOURCES})
target_include_directories(core PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(core PRIVATE ${PROJECT_WARNINGS})
target_link_libraries(core PUBLIC ZLIB::ZLIB)

add_subdirectory(builder)
add_subdirectory(tests/unit)
add_subdirectory(tests/e2e)
