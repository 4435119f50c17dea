# Manual pages, made at build time by help2man from the programs' own --help and --version, so
# they say what the programs say. quorvane_man_page(TARGET NAME "SUMMARY" [INCLUDES file...]
# [SUBCOMMANDS]) writes man/TARGET.1 (gzipped, as Debian keeps them, when gzip is there) and
# installs it; SUBCOMMANDS adds a section with every subcommand's --help.
find_program(QUORVANE_HELP2MAN help2man)
find_program(QUORVANE_GZIP gzip)

set(quorvane_man_default ON)
if(QUORVANE_SANITIZE OR QUORVANE_SANITIZE_THREAD OR QUORVANE_BUILD_FUZZ)
  # The sanitizer builds test the code; their programs make no pages worth installing.
  set(quorvane_man_default OFF)
endif()
option(QUORVANE_BUILD_MAN "Generate and install the manual pages (needs help2man)" ${quorvane_man_default})
if(QUORVANE_BUILD_MAN AND NOT QUORVANE_HELP2MAN)
  message(WARNING "help2man was not found: the manual pages are not made (apt-get install help2man, "
                  "or -DQUORVANE_BUILD_MAN=OFF to silence this)")
endif()

set(QUORVANE_MAN_DIR ${PROJECT_BINARY_DIR}/man)

function(quorvane_man_page target summary)
  cmake_parse_arguments(PARSE_ARGV 2 man "SUBCOMMANDS" "" "INCLUDES")
  if(NOT QUORVANE_BUILD_MAN OR NOT QUORVANE_HELP2MAN OR NOT TARGET ${target})
    return()
  endif()
  set(page ${QUORVANE_MAN_DIR}/${target}.1)
  set(includes "")
  set(depends ${target} ${man_INCLUDES})
  if(man_SUBCOMMANDS)
    set(section ${QUORVANE_MAN_DIR}/${target}-subcommands.h2m)
    add_custom_command(OUTPUT ${section}
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DOUTPUT=${section}
              -P ${PROJECT_SOURCE_DIR}/cmake/SubcommandsManSection.cmake
      DEPENDS ${target} ${PROJECT_SOURCE_DIR}/cmake/SubcommandsManSection.cmake
      COMMENT "Collecting the subcommands' help of ${target}" VERBATIM)
    list(APPEND includes --include=${section})
    list(APPEND depends ${section})
  endif()
  foreach(include IN LISTS man_INCLUDES)
    list(APPEND includes --include=${include})
  endforeach()

  set(commands COMMAND ${QUORVANE_HELP2MAN} --no-info --section=1 --name=${summary} ${includes}
                       --output=${page} $<TARGET_FILE:${target}>)
  set(installed ${page})
  set(outputs ${page})
  if(QUORVANE_GZIP)
    list(APPEND commands COMMAND ${QUORVANE_GZIP} -9 -n -f -k ${page})
    set(installed ${page}.gz)
    list(APPEND outputs ${page}.gz)
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVANE_MAN_DIR}
    ${commands}
    DEPENDS ${depends}
    COMMENT "Writing the manual page ${target}(1)" VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS ${installed})
  install(FILES ${installed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
