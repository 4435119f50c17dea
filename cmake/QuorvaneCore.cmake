# quorvane_core_library(NAME DEPS...): a static library of every .cpp in the calling folder.
# Pixels must not depend on the compiler's choice of fused multiply-add, so the whole core
# is built with -ffp-contract=off.
function(quorvane_core_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE -ffp-contract=off)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    # A layer with no sources yet still passes its dependencies on.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()
