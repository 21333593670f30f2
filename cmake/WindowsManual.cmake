# The manual of the Windows packages as plain text in share/doc/KARVO7: the README, the manual
# page of each program the build has (rendered by groff, Debian's groff-base), and the licence,
# which the installer also shows. Sets K7_WINDOWS_LICENSE to the licence's file.
find_program(K7_GROFF groff REQUIRED)
set(K7_WINDOWS_DOC ${PROJECT_BINARY_DIR}/windows-doc)

set(K7_WINDOWS_LICENSE ${K7_WINDOWS_DOC}/License.txt)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${K7_WINDOWS_LICENSE} COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/README.md ${K7_WINDOWS_DOC}/README.txt COPYONLY)
set(k7_manual_files ${K7_WINDOWS_LICENSE} ${K7_WINDOWS_DOC}/README.txt)

# Manual page of each program, named as the program: text without bold or underlining.
set(k7_manual_pages ${PROJECT_SOURCE_DIR}/packaging/man/KARVO7Check.1
                    ${PROJECT_SOURCE_DIR}/packaging/man/karvo7-list.1
                    ${PROJECT_SOURCE_DIR}/tools/karvo7/karvo7.1)
foreach(page IN LISTS k7_manual_pages)
    get_filename_component(program ${page} NAME_WE)
    if(NOT TARGET ${program})
        continue()
    endif()
    set(text ${K7_WINDOWS_DOC}/${program}.txt)
    add_custom_command(OUTPUT ${text}
        COMMAND ${CMAKE_COMMAND} -E env GROFF_NO_SGR=1
                ${K7_GROFF} -man -Tutf8 -P-bcou -rLL=100n ${page} > ${text}
        DEPENDS ${page}
        COMMENT "Manual page ${program} as text"
        VERBATIM)
    list(APPEND k7_manual_files ${text})
endforeach()
add_custom_target(k7_windows_manual ALL DEPENDS ${k7_manual_files})
install(FILES ${k7_manual_files} DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
