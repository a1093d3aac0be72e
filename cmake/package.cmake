# The Debian package: `cmake --build build --target package` has CPack's
# DEB generator pack what the install rules put in place into
# build/quarrow_VERSION_ARCH.deb, with dependencies from dpkg-shlibdeps.
# Only a build for /usr makes one (its programs read their data there).

set(QUARROW_MAINTAINER "quarrow developers <quarrow@example.org>")

# What Debian wants beside the programs: the copyright file and the
# changelog, compressed without a time stamp.
set(QUARROW_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${QUARROW_CHANGELOG}
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/changelog > ${QUARROW_CHANGELOG}
  DEPENDS ${CMAKE_BINARY_DIR}/changelog)
add_custom_target(quarrow-changelog ALL DEPENDS ${QUARROW_CHANGELOG})
install(FILES packaging/copyright ${QUARROW_CHANGELOG}
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  add_custom_target(package
    COMMAND ${CMAKE_COMMAND} -E echo "quarrow: the package needs programs built for /usr, and this"
      "build is for ${CMAKE_INSTALL_PREFIX}; configure a build with -DCMAKE_INSTALL_PREFIX=/usr"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarrow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT ${QUARROW_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 256-colour audio-visual demo")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "quarrow plays a fixed three-minute sequence of full-screen effects on a
320x240 frame buffer with 256 colours, at 12 frames a second, while a
tracker module plays: a title picture, spotlit reliefs, water ripples, a
swaying mesh, a swirling disc and a plasma.

It runs in an X window with an 8-bit visual (quarrow), in a window on any
desktop (quarrow-sdl), on the Linux console (quarrow-vga), or writes its
frames and a video (quarrow-render). quarrow-play chooses the program that
suits the display and answers the demo's questions.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The 32-bit PC build (cmake/i386.cmake) packs for Debian's i386 port.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR MATCHES "^i[3-6]86$")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
endif()
# quarrow-play finds the display with xdpyinfo; quarrow-render encodes
# videos with ffmpeg. The nested window and the sound checks are optional.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "x11-utils, ffmpeg")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xserver-xephyr, pulseaudio-utils, alsa-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
