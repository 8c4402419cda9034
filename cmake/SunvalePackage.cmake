# `cpack -G DEB` in the build folder: one package with everything installed.
# The shared-library dependencies are computed by dpkg-shlibdeps from the
# installed executables; only what no executable links is named by hand:
# Mesa's GL drivers (loaded through libglvnd at run time) and the fonts
# sunvale-datagen typesets with.
set(CPACK_PACKAGE_NAME sunvale)
set(CPACK_PACKAGE_VENDOR "Zentrope")
set(CPACK_PACKAGE_CONTACT "Sunvale maintainers <sunvale@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show of 3D and 2D scenes to music")
set(CPACK_PACKAGE_DESCRIPTION
  "Zentrope - Sunvale is a fixed real-time audiovisual show: animated 3D and\n"
  "2D scenes drawn with OpenGL and timed against a music track. The package\n"
  "holds the show, its data and the tools that make, inspect and render it\n"
  "(sunvale-datagen, moxa, sunvale-capture).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri, libegl-mesa0, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/sunvale")

include(CPack)
