# Debian's header-only libraries (nlohmann-json, CLI11) live in /usr/include beside the build
# machine's C library: a cross build gives the target's compiler a folder that holds only their
# headers, so that it never takes the build machine's C headers for its own.
function(k7_header_only_for_target target folder)
    if(NOT CMAKE_CROSSCOMPILING OR NOT TARGET ${target})
        return()
    endif()
    set(headers ${PROJECT_BINARY_DIR}/header-only)
    file(MAKE_DIRECTORY ${headers})
    if(NOT EXISTS ${headers}/${folder})
        file(CREATE_LINK /usr/include/${folder} ${headers}/${folder} SYMBOLIC)
    endif()
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${headers})
endfunction()
