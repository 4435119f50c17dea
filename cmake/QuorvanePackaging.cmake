# What makes the build installable as a Debian package: the manual pages, the software centre's
# entry, and CPack's DEB generator (`cpack -G DEB` in a build folder, or scripts/package.sh).
include(${PROJECT_SOURCE_DIR}/cmake/QuorvaneManPages.cmake)

quorvane_man_page(quorvane "view and edit polygon meshes in OFF files"
  INCLUDES ${PROJECT_SOURCE_DIR}/data/man/quorvane.h2m)
quorvane_man_page(quorvane-cli "read, check, convert and render OFF mesh files" SUBCOMMANDS
  INCLUDES ${PROJECT_SOURCE_DIR}/data/man/quorvane-cli.h2m)

# The software centre's entry describes the desktop program, so it comes with the viewer; its
# release is the project version. AppStream wants a reverse domain name as the id, and the file
# named for it; the entry names the launcher, quorvane.desktop.
set(QUORVANE_APPSTREAM_ID org.quorvane.Quorvane)
set(QUORVANE_METAINFO ${PROJECT_BINARY_DIR}/data/${QUORVANE_APPSTREAM_ID}.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/data/quorvane.metainfo.xml.in ${QUORVANE_METAINFO} @ONLY)
if(TARGET quorvane)
  install(FILES ${QUORVANE_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(QUORVANE_PACKAGE_MAINTAINER "Quorvane Developers <quorvane@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvane Developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and editor of 3-D polygon meshes in OFF files")
# The long description, under the summary; CPack indents it for the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorvane opens OFF mesh files, splits polygons into triangles, frames the
model and draws it with its own software renderer as a wireframe, a
flat-shaded solid or points. The mouse orbits, zooms and pans; a vertex can
be selected, dragged and saved back. Dialogs set the camera, colours and
lighting and show the model's statistics.

The command line tool quorvane-cli uses the same engine without a display to
print statistics, check and repair whole folders of files, convert them and
render pictures, rings of views for data sets, and file manager thumbnails.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVANE_PACKAGE_MAINTAINER}")
# The libraries the programs link come from dpkg-shlibdeps; the program's icon is an SVG picture,
# which Qt draws through the plugins of its SVG module.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET quorvane)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
include(CPack)
