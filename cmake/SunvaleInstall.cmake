# What `cmake --install` puts under the prefix:
#   bin/                      sunvale, sunvale-capture, moxa, sunvale-datagen
#   share/sunvale/data.rar    the show's data (found there by an installed sunvale)
#   share/applications/       the desktop entry
#   share/metainfo/           the AppStream description
#   share/icons/hicolor/      the icon, drawn by sunvale-icon at each size
#   share/man/man1, man6      a page per program

# Installing copies what the build made and builds nothing: cpack, run by a
# test while other tests use the build folder, must not rebuild it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(SUNVALE_APP_ID org.sunvale.Sunvale)
set(SUNVALE_ICON_SIZES 16 24 32 48 64 128 256)

install(TARGETS sunvale sunvale-capture moxa sunvale-datagen
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/data.rar DESTINATION ${CMAKE_INSTALL_DATADIR}/sunvale)

install(FILES ${PROJECT_SOURCE_DIR}/desktop/${SUNVALE_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/desktop/${SUNVALE_APP_ID}.metainfo.xml
  ${PROJECT_BINARY_DIR}/desktop/${SUNVALE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/desktop/${SUNVALE_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(_icons)
foreach(size ${SUNVALE_ICON_SIZES})
  set(_icon ${PROJECT_BINARY_DIR}/icons/${size}x${size}/apps/sunvale.png)
  add_custom_command(OUTPUT ${_icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}/apps
    COMMAND sunvale-icon ${size} ${_icon}
    DEPENDS sunvale-icon
    VERBATIM)
  list(APPEND _icons ${_icon})
  install(FILES ${_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(show_icons ALL DEPENDS ${_icons})

# Pages are installed compressed, as Debian's policy asks (man reads either).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(_pages)
foreach(page sunvale.6 sunvale-capture.1 sunvale-datagen.1 moxa.1)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" _section ${page})
  configure_file(${PROJECT_SOURCE_DIR}/man/${page} ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.gz
    COMMAND ${GZIP_PROGRAM} -9 -n -f -k ${PROJECT_BINARY_DIR}/man/${page}
    DEPENDS ${PROJECT_BINARY_DIR}/man/${page}
    VERBATIM)
  list(APPEND _pages ${PROJECT_BINARY_DIR}/man/${page}.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man${_section})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${_pages})
