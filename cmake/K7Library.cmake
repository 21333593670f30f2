# A shared library of the project with a C interface: versioned like the card library (SONAME
# lib<name>.so.<major>; the macro `version_macro` holds (major << 16) | (minor << 8) | patch),
# every symbol hidden but those its folder's exports.map names, and its public header installed
# with it. On Windows <target>.dll exports the functions its folder's <target>.def names under
# their own names, with an import library for MinGW and one for MSVC, and a version resource
# with `description`.
function(k7_exported_library target header version_macro description)
    math(EXPR number
         "(${PROJECT_VERSION_MAJOR} << 16) | (${PROJECT_VERSION_MINOR} << 8) | ${PROJECT_VERSION_PATCH}")
    target_compile_definitions(${target} PRIVATE ${version_macro}=${number})
    set_target_properties(${target} PROPERTIES
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON
        VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}
        PUBLIC_HEADER ${header})
    if(WIN32)
        set(def ${CMAKE_CURRENT_SOURCE_DIR}/${target}.def)
        target_sources(${target} PRIVATE ${def})
        set_target_properties(${target} PROPERTIES PREFIX "")
        k7_version_resource(${target} "${description}")
        k7_msvc_import_library(${target} ${def})
        return()
    endif()
    target_link_options(${target} PRIVATE
        -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/exports.map ${K7_NO_UNDEFINED})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
                 ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
endfunction()

# The pkg-config files name the installation's folders from where they lie themselves
# (${pcfiledir}, <prefix>/<libdir>/pkgconfig), so that a copy installed with another --prefix, or
# unpacked anywhere, is found as it lies. A library folder given as an absolute path keeps the
# configured prefix.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(K7_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
    file(RELATIVE_PATH k7_pc_up "/k7/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/k7")
    set(K7_PC_PREFIX "\${pcfiledir}/${k7_pc_up}")
endif()

# Installs such a library into the card library's CMake package (find_package(KARVO7) gives
# KARVO7::<target> beside KARVO7::KARVO7DLL) with its header and its pkg-config file, made from
# <pc_name>.pc.in in the library's folder.
function(k7_install_library target pc_name)
    install(TARGETS ${target} EXPORT KARVO7Targets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/KARVO7 COMPONENT dev)
    configure_file(${pc_name}.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.pc @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.pc
            DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endfunction()
