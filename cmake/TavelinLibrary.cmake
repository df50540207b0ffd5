# tavelin_library(<folder> [deps...]) builds src/<folder>/*.cpp into tavelin_<folder>.
# Sources are globbed so that a new file needs no edit here.
function(tavelin_library folder)
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(srcs)
        add_library(tavelin_${folder} STATIC ${srcs})
        target_include_directories(tavelin_${folder} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(tavelin_${folder} PUBLIC ${ARGN})
    else()
        add_library(tavelin_${folder} INTERFACE)
        target_include_directories(tavelin_${folder} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(tavelin_${folder} INTERFACE ${ARGN})
    endif()
endfunction()
