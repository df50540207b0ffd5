# Runs the Windows executables of a cross build under wine: every test (ctest) and the test
# discovery go through a wrapper made here, which keeps wine quiet and uses a wine prefix of
# the build folder's own, made on first use, and a wine server that outlives single runs.
if(NOT (CMAKE_CROSSCOMPILING AND WIN32) OR CMAKE_CROSSCOMPILING_EMULATOR)
    return()
endif()
find_program(TAVELIN_WINE NAMES wine wine64)
find_program(TAVELIN_WINESERVER NAMES wineserver wineserver64)
if(NOT TAVELIN_WINE OR NOT TAVELIN_WINESERVER)
    message(STATUS "wine not found: the Windows tests can be built but not run here")
    return()
endif()
set(TAVELIN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
