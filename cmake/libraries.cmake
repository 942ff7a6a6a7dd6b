# One library per source folder, or per half of one: `rv_<folder>` holds the
# portable code and is built in every tree, `rv_<folder>_win` the Win32 shells
# (Windows trees only). A library links only the libraries below it, so code
# that calls into a folder it may not use fails to link; scripts/check-layout
# checks the includes themselves. A link check per library makes that hold
# even where a program links more than it needs: every object of the library
# is linked into a program of its own with nothing but the libraries it names.
#
#   rv_library(<target> <source>... [LINKS <library>...])
#
# On Windows each library comes twice: `<target>` with the normal runtime, for
# the tests and the tools, and `<target>_small` with the stub's size flags and
# link-time optimisation, which links the `_small` variants of the rv_
# libraries it names, so that nothing built for the normal runtime reaches
# the stub.
function(rv_library name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LINKS")
    _rv_library_variant(${name} "${arg_UNPARSED_ARGUMENTS}" "${arg_LINKS}")
    if(WIN32)
        set(small_links "")
        foreach(library IN LISTS arg_LINKS)
            if(library MATCHES "^rv_")
                list(APPEND small_links ${library}_small)
            else()
                list(APPEND small_links ${library})
            endif()
        endforeach()
        _rv_library_variant(${name}_small "${arg_UNPARSED_ARGUMENTS}" "${small_links}" ${STUB_FLAGS})
        set_property(TARGET ${name}_small PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
    endif()
    rv_link_check(${name})
    if(NOT name MATCHES "_win$")
        # The fuzz tree instruments every portable library (tests/fuzz).
        set_property(GLOBAL APPEND PROPERTY RV_PORTABLE_LIBRARIES ${name})
    endif()
endfunction()

# Links the whole of `library` into a program with only what it links.
function(rv_link_check library)
    if(RV_FUZZ)
        return()  # the fuzz tree's libraries need the fuzzer's runtime to link
    endif()
    add_executable(${library}_link_check ${PROJECT_SOURCE_DIR}/cmake/link_check.cpp)
    target_link_libraries(${library}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${library}>")
    set_property(TARGET ${library}_link_check PROPERTY RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/link_check)
endfunction()

function(_rv_library_variant name sources links)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS} ${ARGN})
    target_link_libraries(${name} PUBLIC ${links})
    if(WIN32)
        target_compile_definitions(${name} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    endif()
endfunction()
