# Run by ctest (test e2e_host_programs) before the end-to-end tests of a
# Windows tree: the programs they take from the host tree must exist.
#   cmake -DRV_MKSETUP=<path> -DRV_SWEEP=<path> -P check_host_programs.cmake
set(problems "")
foreach(name RV_MKSETUP RV_SWEEP)
    if(NOT ${name})
        list(APPEND problems "${name} is not set")
    elseif(NOT EXISTS "${${name}}")
        list(APPEND problems "${name} names ${${name}}, which does not exist")
    endif()
endforeach()
if(problems)
    list(JOIN problems "; " text)
    message(FATAL_ERROR "${text}.\n"
        "Build the host tree first (cmake --preset host && cmake --build --preset host), "
        "then configure this tree with -DRV_MKSETUP=<host tree>/bin/mksetup -DRV_SWEEP=<host tree>/bin/sweep "
        "(the win64 preset names build/host's).")
endif()
message(STATUS "host programs: ${RV_MKSETUP}, ${RV_SWEEP}")
