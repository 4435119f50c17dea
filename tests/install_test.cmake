# Installs the build at BUILD_DIR into the scratch folder DESTDIR (prefix /usr) and checks what
# arrived: quorvane-cli always, running and naming the project version, with the OFF file type and
# the thumbnailer entry; the viewer with its launcher entry, icon and software centre entry exactly
# when WITH_APP is set; the programs' manual pages exactly when WITH_MAN is set.
# cmake -DBUILD_DIR=... -DDESTDIR=... -DVERSION=... -DWITH_APP=0|1 -DWITH_MAN=0|1 -DBINDIR=bin
#       -DDATADIR=share -DMANDIR=share/man -DAPPSTREAM_ID=... -P ...
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

# FILES are installed exactly when WANTED is true (WHAT names the condition in messages).
function(installed_exactly_when wanted what)
  foreach(file ${ARGN})
    if(wanted AND NOT EXISTS "${root}/${file}")
      message(FATAL_ERROR "${what} but ${file} was not installed:\n${output}")
    elseif(NOT wanted AND EXISTS "${root}/${file}")
      message(FATAL_ERROR "not ${what} but ${file} was installed:\n${output}")
    endif()
  endforeach()
endfunction()

set(metainfo "${DATADIR}/metainfo/${APPSTREAM_ID}.metainfo.xml")
installed_exactly_when("${WITH_APP}" "the viewer is built"
  "${BINDIR}/quorvane"
  "${DATADIR}/applications/quorvane.desktop"
  "${DATADIR}/icons/hicolor/scalable/apps/quorvane.svg"
  "${metainfo}")
if(WITH_APP)
  file(READ "${root}/${metainfo}" entry)
  if(NOT entry MATCHES "<release version=\"${VERSION}\"" OR entry MATCHES "@")
    message(FATAL_ERROR "the software centre entry does not name release ${VERSION}:\n${entry}")
  endif()
endif()

# The pages are gzipped when gzip was found at configure time.
foreach(program quorvane-cli quorvane)
  if(program STREQUAL "quorvane" AND NOT WITH_APP)
    continue()
  endif()
  file(GLOB page RELATIVE "${root}" "${root}/${MANDIR}/man1/${program}.1*")
  if(WITH_MAN AND NOT page)
    message(FATAL_ERROR "the manual pages are made but ${program}(1) was not installed:\n${output}")
  endif()
endforeach()
if(NOT WITH_MAN)
  file(GLOB pages RELATIVE "${root}" "${root}/${MANDIR}/man1/*")
  if(pages)
    message(FATAL_ERROR "the manual pages are not made but ${pages} were installed")
  endif()
endif()
