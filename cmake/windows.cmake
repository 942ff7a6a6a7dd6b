# Windows trees (MinGW-w64): the stub image, and the tests run under Wine.
find_library(ZLIB_STATIC NAMES libz.a REQUIRED)
find_path(ZLIB_INCLUDE_DIR zlib.h REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Size flags of the shipped stub: no exceptions, no RTTI, unused code
# dropped at link time, no unwind tables; the string templates instantiated inline (see
# stub/runtime_win.cpp). Function-local statics need no guard: one thread.
set(STUB_FLAGS -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables -fno-unwind-tables -ffunction-sections -fdata-sections
    -D_GLIBCXX_ASSERTIONS)

# zlib of the MinGW sysroot, under the name the host tree's find_package gives.
add_library(ZLIB::ZLIB INTERFACE IMPORTED)
target_include_directories(ZLIB::ZLIB INTERFACE ${ZLIB_INCLUDE_DIR})
target_link_libraries(ZLIB::ZLIB INTERFACE ${ZLIB_STATIC})

# Every library in two variants: `rv_*_small`, what the stub links, and
# `rv_*`, the same code with the normal runtime, for the tests and the tools.
foreach(folder IN LISTS RV_SOURCE_FOLDERS)
    add_subdirectory(${folder})
endforeach()

enable_language(RC)
set_source_files_properties(stub/stub.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/stub/main.ico;${PROJECT_SOURCE_DIR}/stub/stub.manifest")
add_executable(stub WIN32 stub/stub_main_win.cpp stub/runtime_win.cpp stub/stub.rc)
target_compile_options(stub PRIVATE ${PROJECT_WARNINGS} ${STUB_FLAGS})
target_link_libraries(stub PRIVATE rv_stub_win_small)
target_link_options(stub PRIVATE -static -s -Wl,--gc-sections)
# Link-time optimisation drops the many inline copies of the string code
# (a fifth of the image). One partition: GCC 12 fails with an internal error
# when it splits this program.
set_property(TARGET stub PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
target_link_options(stub PRIVATE -flto-partition=one)
# The package reader honours a recorded length only with the PE header at
# offset 256; GNU ld puts it at 0x80.
add_custom_command(TARGET stub POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/place_pe_header.py $<TARGET_FILE:stub>
    VERBATIM)

add_subdirectory(builder)
add_subdirectory(tests/win)
add_subdirectory(tests/tools)
add_subdirectory(tests/fixtures)
