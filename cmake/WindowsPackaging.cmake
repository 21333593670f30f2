# Windows packages with CPack: an NSIS installer (Debian's nsis) and the same files as a ZIP.
#   cmake --build build-win
#   cpack --config build-win/CPackConfig.cmake -B build-win/packages
# Both hold everything the Windows build installs, whichever components it has (a program
# folder with bin/ for the DLLs and programs, lib/ for the import libraries and the CMake
# package, include/KARVO7 for the headers, share/ for the examples and the manual), 64-bit,
# versioned from project(VERSION). The installer records its folder in the registry under
# Software\KARVO7\KARVO7, where the Python package looks for the DLLs.

include(${CMAKE_CURRENT_LIST_DIR}/WindowsManual.cmake)

# The example files: the simulated cards' configuration, the check program's parameter file,
# identification reference file, DSP image and depth-compensation list.
file(GLOB K7_WINDOWS_EXAMPLES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*)
install(FILES ${K7_WINDOWS_EXAMPLES} DESTINATION ${CMAKE_INSTALL_DATADIR}/karvo7 COMPONENT check)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME KARVO7)
set(CPACK_PACKAGE_VENDOR KARVO7)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "KARVO7 ultrasonic test cards: card access library, simulated cards and programs")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME KARVO7-${PROJECT_VERSION}-win64)
# One package of every install rule, without a choice of components.
set(CPACK_MONOLITHIC_INSTALL ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${K7_WINDOWS_LICENSE})
# The Python package reads the folder from HKLM or HKCU\Software\<vendor>\<key>.
set(CPACK_PACKAGE_INSTALL_DIRECTORY KARVO7)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY KARVO7)
# A 64-bit installer (NSIS's amd64 stubs): it writes the registry's 64-bit view and runs where
# Windows or Wine runs no 32-bit programs.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "KARVO7 ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "KARVO7 ${PROJECT_VERSION}")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
# The check program in the Start menu (the installer's folder "KARVO7"), with the program's own
# icon; the same icon stands for the installation in the list of installed programs.
set(CPACK_PACKAGE_EXECUTABLES KARVO7Check "KARVO7 Check")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${CMAKE_INSTALL_BINDIR})
# Written into CPackConfig.cmake and read there once more: the backslash is escaped twice.
set(CPACK_NSIS_INSTALLED_ICON_NAME "${CMAKE_INSTALL_BINDIR}\\\\KARVO7Check.exe")
include(CPack)
