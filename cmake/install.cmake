# What `cmake --install` puts where, in Debian's layout: the programs this
# configuration builds with their manual pages, the launcher, the data in
# the folder the programs were built to read (QUARROW_DATA_DIR), and the
# desktop entry. Nothing of the tests, benchmarks or asset generator.

# program:section of its manual page. The demo's programs (section 6) go
# in games/, as Debian files games; the tools in bin/, on every PATH, since
# quarrow-restore-console must be typed blind by whoever sits at the console.
set(QUARROW_INSTALLED_PROGRAMS quarrow:6 quarrow-vga:6 quarrow-sdl:6 quarrow-render:6
  pcxinfo:1 quarrow-sound-probe:1 quarrow-restore-console:8)
set(QUARROW_GAMES_DIR games)
set(QUARROW_MAN_BUILD_DIR ${CMAKE_BINARY_DIR}/man)

# Manual pages are roff in docs/man, with the data folder and the version
# written in, and compressed as Debian wants them: gzip -9 without a time
# stamp.
set(QUARROW_MAN_PAGES)
function(quarrow_install_man name section)
  set(roff ${QUARROW_MAN_BUILD_DIR}/${name}.${section})
  set(page ${roff}.gz)
  configure_file(docs/man/${name}.${section} ${roff} @ONLY)
  add_custom_command(OUTPUT ${page}
    COMMAND gzip -9nc ${roff} > ${page}
    DEPENDS ${roff})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  set(QUARROW_MAN_PAGES ${QUARROW_MAN_PAGES} ${page} PARENT_SCOPE)
endfunction()

foreach(entry ${QUARROW_INSTALLED_PROGRAMS})
  string(REPLACE ":" ";" parts ${entry})
  list(GET parts 0 program)
  list(GET parts 1 section)
  if(NOT TARGET ${program})
    continue()
  endif()
  if(section STREQUAL 6)
    install(TARGETS ${program} RUNTIME DESTINATION ${QUARROW_GAMES_DIR})
  else()
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  quarrow_install_man(${program} ${section})
endforeach()

# The launcher, with the installed folders, the version, and the sound
# dialogue's prompts and rates it answers and checks with written in: it
# runs the installed programs and never builds.
set(QUARROW_PLAY_PROGRAMS ${CMAKE_INSTALL_PREFIX}/${QUARROW_GAMES_DIR})
set(QUARROW_PLAY_DATA ${QUARROW_DATA_DIR})
file(STRINGS ${CMAKE_SOURCE_DIR}/audio/sound_dialogue.h QUARROW_SOUND_DIALOGUE REGEX "^#define SOUND_")
foreach(line ${QUARROW_SOUND_DIALOGUE})
  string(REGEX REPLACE "^#define (SOUND_[A-Z_]+) \"?([^\"]*)\"?$" "\\1" name "${line}")
  string(REGEX REPLACE "^#define (SOUND_[A-Z_]+) \"?([^\"]*)\"?$" "\\2" ${name} "${line}")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/audio/sound_dialogue.h)
configure_file(tools/play ${CMAKE_BINARY_DIR}/quarrow-play @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/quarrow-play DESTINATION ${QUARROW_GAMES_DIR})
quarrow_install_man(quarrow-play 6)
add_custom_target(quarrow-man-pages ALL DEPENDS ${QUARROW_MAN_PAGES})

install(DIRECTORY ${CMAKE_SOURCE_DIR}/grafika ${CMAKE_SOURCE_DIR}/music
  DESTINATION ${CMAKE_INSTALL_DATADIR}/quarrow FILES_MATCHING PATTERN "*.pcx" PATTERN "*.xm")

# The desktop entry, and its icon cut from the title picture.
set(QUARROW_ICON ${CMAKE_BINARY_DIR}/quarrow-play.png)
add_custom_command(OUTPUT ${QUARROW_ICON}
  COMMAND quarrow-assets --icon ${QUARROW_ICON} 64
  DEPENDS quarrow-assets)
add_custom_target(quarrow-icon ALL DEPENDS ${QUARROW_ICON})
configure_file(packaging/quarrow-play.desktop.in ${CMAKE_BINARY_DIR}/quarrow-play.desktop @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/quarrow-play.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUARROW_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)

# The programs look for their data where the configuration put it; an
# install elsewhere (cmake --install --prefix) would leave them without it.
install(CODE "
  if(NOT CMAKE_INSTALL_PREFIX MATCHES \"${CMAKE_INSTALL_PREFIX}\$\")
    message(WARNING \"the programs read their data from ${QUARROW_DATA_DIR}, \"
      \"not from this prefix (\${CMAKE_INSTALL_PREFIX}); configure with \"
      \"-DCMAKE_INSTALL_PREFIX=\${CMAKE_INSTALL_PREFIX} to install there\")
  endif()")
