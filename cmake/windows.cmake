# Windows trees (MinGW-w64): the stub image, and the tests run under Wine.
find_library(ZLIB_STATIC NAMES libz.a REQUIRED)
find_path(ZLIB_INCLUDE_DIR zlib.h REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The Win32 shells around the portable code.
set(WIN_SOURCES
    autoupdate/agent_win.cpp
    autoupdate/update_cycle_win.cpp
    base/bind_win.cpp
    base/clock_win.cpp
    base/ini_win.cpp
    base/paths_win.cpp
    base/registry_win.cpp
    base/switches_win.cpp
    base/system_win.cpp
    base/window_win.cpp
    env/descriptor_files_win.cpp
    env/file_util_win.cpp
    env/folders_win.cpp
    env/trace_win.cpp
    env/variables_win.cpp
    net/http_win.cpp
    net/internet_setup_win.cpp
    net/status_progress_win.cpp
    package/driver_win.cpp
    package/extraction_win.cpp
    package/file_info_win.cpp
    package/file_source_win.cpp
    package/temp_folder_win.cpp
    proc/process_win.cpp
    stub/main_window_win.cpp
    stub/setup_step_win.cpp
    ui/inform_dialog_win.cpp
    ui/language_win.cpp
    ui/message_box_win.cpp
)

# Size flags of the shipped stub: no exceptions, no RTTI, unused code
# dropped at link time, no unwind tables; the string templates instantiated inline (see
# stub/runtime_win.cpp). Function-local statics need no guard: one thread.
set(STUB_FLAGS -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables -fno-unwind-tables -ffunction-sections -fdata-sections
    -D_GLIBCXX_ASSERTIONS)

function(add_core_library name)
    add_library(${name} STATIC ${PORTABLE_SOURCES} ${WIN_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${ZLIB_INCLUDE_DIR})
    target_compile_definitions(${name} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS} ${ARGN})
    target_link_libraries(${name} PUBLIC ${ZLIB_STATIC} comctl32)
endfunction()

# `stubcore` is what the stub links; `core` is the same code with the
# normal runtime, for the tests.
add_core_library(stubcore ${STUB_FLAGS})
add_core_library(core)

enable_language(RC)
set_source_files_properties(stub/stub.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/stub/main.ico;${PROJECT_SOURCE_DIR}/stub/stub.manifest")
add_executable(stub WIN32 stub/stub_main_win.cpp stub/runtime_win.cpp stub/stub.rc)
target_compile_options(stub PRIVATE ${PROJECT_WARNINGS} ${STUB_FLAGS})
target_link_libraries(stub PRIVATE stubcore)
target_link_options(stub PRIVATE -static -s -Wl,--gc-sections)
# Link-time optimisation drops the many inline copies of the string code
# (a fifth of the image). One partition: GCC 12 fails with an internal error
# when it splits this program.
set_property(TARGET stub stubcore PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
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
