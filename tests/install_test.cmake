# Installs the build at BUILD_DIR into the scratch folder DESTDIR (prefix /usr) and checks what
# arrived: quorvane-cli always, running and naming the project version, with the OFF file type and
# the thumbnailer entry; the viewer with its launcher entry and icon exactly when WITH_APP is set.
# cmake -DBUILD_DIR=... -DDESTDIR=... -DVERSION=... -DWITH_APP=0|1 -DBINDIR=bin -DDATADIR=share -P ...
file(REMOVE_RECURSE "${DESTDIR}")
set(ENV{DESTDIR} "${DESTDIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${output}")
endif()

set(root "${DESTDIR}/usr")
set(cli "${root}/${BINDIR}/quorvane-cli")
if(NOT EXISTS "${cli}")
  message(FATAL_ERROR "quorvane-cli was not installed at ${cli}:\n${output}")
endif()
execute_process(COMMAND "${cli}" --version RESULT_VARIABLE status OUTPUT_VARIABLE printed)
if(NOT status EQUAL 0 OR NOT printed STREQUAL "quorvane-cli ${VERSION}\n")
  message(FATAL_ERROR "installed quorvane-cli --version gave status ${status} and '${printed}'")
endif()

# The file type and the thumbnailer come with the command line, which draws the thumbnails.
foreach(file "${DATADIR}/mime/packages/quorvane.xml" "${DATADIR}/thumbnailers/quorvane.thumbnailer")
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "${file} was not installed:\n${output}")
  endif()
endforeach()
file(READ "${root}/${DATADIR}/thumbnailers/quorvane.thumbnailer" entry)
if(NOT entry MATCHES "\nExec=quorvane-cli thumbnail -s %s %u %o\n" OR NOT entry MATCHES "\nMimeType=model/x-off;")
  message(FATAL_ERROR "the thumbnailer entry does not run quorvane-cli thumbnail for model/x-off:\n${entry}")
endif()

set(viewer_files
  "${BINDIR}/quorvane"
  "${DATADIR}/applications/quorvane.desktop"
  "${DATADIR}/icons/hicolor/scalable/apps/quorvane.svg")
foreach(file ${viewer_files})
  if(WITH_APP AND NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "the viewer is built but ${file} was not installed:\n${output}")
  elseif(NOT WITH_APP AND EXISTS "${root}/${file}")
    message(FATAL_ERROR "the viewer is not built but ${file} was installed:\n${output}")
  endif()
endforeach()
