# Windows builds: a version resource in each DLL and program, and import libraries an MSVC
# application can link beside the ones MinGW makes.
if(NOT WIN32)
    return()
endif()

# Adds a VERSIONINFO resource with the project's version and `description` to `target`.
function(k7_version_resource target description)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        set(K7_FILE_TYPE VFT_APP)
        set(K7_FILE_SUFFIX .exe)
    else()
        set(K7_FILE_TYPE VFT_DLL)
        set(K7_FILE_SUFFIX .dll)
    endif()
    set(K7_DESCRIPTION "${description}")
    set(K7_NAME ${target})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()

# Makes <name>.lib from the .def file for MSVC applications, beside the DLL.
function(k7_msvc_import_library target def)
    find_program(K7_DLLTOOL ${K7_MINGW_PREFIX}-dlltool REQUIRED)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${K7_DLLTOOL} -d ${def} -D $<TARGET_FILE_NAME:${target}>
                -l $<TARGET_FILE_DIR:${target}>/${target}.lib
        VERBATIM)
    install(FILES $<TARGET_FILE_DIR:${target}>/${target}.lib
            DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
endfunction()
