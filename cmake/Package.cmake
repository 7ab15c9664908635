# The Debian package of everything `cmake --install` puts in place, made with CPack:
# scripts/package for a release, the packaging test from the build tree it runs in.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumatrel)
set(CPACK_PACKAGE_VENDOR "Lumatrel developers")
set(CPACK_PACKAGE_CONTACT "${LUMATREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop tool for RKM5 LED light controllers")
# Shown as written, so its lines stay under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION [=[
Lumatrel sets up and operates RKM5 LED light controllers, which drive
Tessel LED light modules on four output channels. It connects to units
over TCP, as a telnet-style session with a login, or over a serial port
(RS232, USB or RS485).

It sets each channel's LED current and switches it, chooses the
operating mode, watches temperatures, voltages and errors, runs command
sequence files, keeps a log per unit, finds units on the local network,
and saves and loads the set of units as a configuration.

The package holds the desktop program lumatrel, lumatrel-cli, which
drives one unit from a shell, and rkm5-sim, which simulates units on
this computer for trying both out.]=])
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LUMATREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(LUMATREL_BUILD_GUI)
    # Qt draws the SVG icons with a plugin, which the libraries the program links do not name.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
    # Without it Qt reaches a Wayland desktop through XWayland.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
endif()

# A stripped install (CPack's, or `cmake --install --strip`) drops the compilers' banners as
# well, as Debian's own stripping does; plain strip keeps them.
install(CODE "set(LUMATREL_OBJCOPY \"${CMAKE_OBJCOPY}\")")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP AND LUMATREL_OBJCOPY)
        foreach(program lumatrel lumatrel-cli rkm5-sim)
            set(file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/${program}")
            if(EXISTS "${file}")
                execute_process(COMMAND "${LUMATREL_OBJCOPY}" --remove-section=.comment "${file}"
                                COMMAND_ERROR_IS_FATAL ANY)
            endif()
        endforeach()
    endif()
]])

include(CPack)
