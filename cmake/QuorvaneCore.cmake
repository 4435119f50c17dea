# quorvane_core_library(NAME DEPS...): a static library of every .cpp in the calling folder.
# Pixels must not depend on the compiler's choice of fused multiply-add, so the whole core
# is built with -ffp-contract=off.
function(quorvane_core_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE -ffp-contract=off)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()
