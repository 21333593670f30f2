# Debian packages with CPack: one package per install component.
#   cmake -S . -B build -DCMAKE_INSTALL_PREFIX=/usr && cmake --build build
#   cpack --config build/CPackConfig.cmake -B build/packages
# Versions come from project(VERSION); dependencies on Debian's libraries are computed by
# dpkg-shlibdeps, those between the packages from the components' dependencies below.

# The packaged components. A component not listed is installed by `cmake --install` but not
# packaged.
set(K7_PACKAGE_COMPONENTS runtime dev sim check tools python)

# The shared libraries of the runtime package (SONAME lib<name>.so.<major>).
set(K7_RUNTIME_LIBRARIES KARVO7DLL)
if(TARGET KARVO7Stream)
    list(APPEND K7_RUNTIME_LIBRARIES KARVO7Stream)
endif()
if(TARGET KARVO7Acquire)
    list(APPEND K7_RUNTIME_LIBRARIES KARVO7Acquire)
endif()
if(TARGET KARVO7Ops)
    list(APPEND K7_RUNTIME_LIBRARIES KARVO7Ops)
endif()

set(K7_PACKAGE_NAME_runtime libkarvo7-${PROJECT_VERSION_MAJOR})
set(K7_PACKAGE_NAME_dev libkarvo7-dev)
set(K7_PACKAGE_NAME_sim karvo7-sim)
set(K7_PACKAGE_NAME_check karvo7-check)
set(K7_PACKAGE_NAME_tools karvo7-tools)
set(K7_PACKAGE_NAME_python python3-karvo7)

add_subdirectory(packaging)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME karvo7)
set(CPACK_PACKAGE_VENDOR KARVO7)
set(CPACK_PACKAGE_CONTACT "${K7_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${K7_PACKAGE_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs link the library of the runtime package, which is not installed while the
# packages are built: dpkg-shlibdeps finds it in the build.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

foreach(component IN LISTS K7_PACKAGE_COMPONENTS)
    string(TOUPPER ${component} upper)
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${K7_PACKAGE_NAME_${component}})
endforeach()

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "KARVO7 ultrasonic test cards - shared libraries
The card access library libKARVO7DLL with its flat C interface: discovery and
handles, card commands, parameter sets and gates, measurements and their data,
registers, PCI configuration space, bridge EEPROM and configuration record; and
the measurement data decoder libKARVO7Stream, the acquisition engine
libKARVO7Acquire and the card operations libKARVO7Ops (self tests, DSP load,
reset, the station checks).")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/packaging/runtime-control/shlibs
    ${PROJECT_BINARY_DIR}/packaging/runtime-control/triggers)

set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_DESCRIPTION "KARVO7 ultrasonic test cards - development files
Headers, the development links of the shared libraries, the CMake package
(find_package(KARVO7), targets KARVO7::KARVO7DLL, KARVO7::KARVO7Stream,
KARVO7::KARVO7Acquire and KARVO7::KARVO7Ops) and the pkg-config files
karvo7.pc, karvo7-stream.pc, karvo7-acquire.pc and karvo7-ops.pc.")

set(CPACK_COMPONENT_SIM_DEPENDS runtime)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_SIM_DESCRIPTION "KARVO7 ultrasonic test cards - simulated cards
The driver module that stands in for the kernel driver and the cards, and an
example configuration. Any program using the library runs on simulated cards
when the environment variable KARVO7_SIM holds a card count or the path of a
configuration file.")

set(CPACK_COMPONENT_CHECK_DEPENDS runtime)
set(CPACK_DEBIAN_CHECK_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_CHECK_PACKAGE_SUGGESTS ${K7_PACKAGE_NAME_sim})
set(CPACK_DEBIAN_CHECK_DESCRIPTION "KARVO7 ultrasonic test cards - check program
KARVO7Check brings cards up and checks them (German user interface): PCI
bridge, registers, identification, DSP program, self tests, measurements and
data rates; with --check-all it is the unattended check of a production test
station. Includes the example parameter file, identification reference file
and DSP program image.")

set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "KARVO7 ultrasonic test cards - command-line tools
karvo7 works the cards from scripts and remote shells, one subcommand per job:
list, info, reset, dsp, selftest, regs, reg, pci, eeprom, shot, stream and
decode. karvo7-list lists the cards with their PCI position and version.")

set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
# Python modules are no ELF files for dpkg-shlibdeps: the interpreter and NumPy are named here.
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, python3-numpy")
# Its maintainer scripts remove the byte-code the interpreter wrote beside the modules.
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/packaging/python-control/prerm
    ${PROJECT_BINARY_DIR}/packaging/python-control/postrm)
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "KARVO7 ultrasonic test cards - Python package
The Python package karvo7 on top of the card access library.")

include(CPack)
