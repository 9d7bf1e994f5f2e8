# Helpers that make one library target per source folder and one GoogleTest
# executable per test folder. Folders without sources yet make no target, so the
# tree builds at every step while later folders are still empty.

set(MV_ALL_LIBRARIES "" CACHE INTERNAL "")

# The test build links its layers as shared libraries: sixteen test programs
# then share one copy of each layer instead of carrying all of them statically
# (a fraction of the disk and of the link time). The application stays static.
if(MV_SHARED_LAYERS)
  set(MV_LIBRARY_KIND SHARED)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
else()
  set(MV_LIBRARY_KIND STATIC)
endif()

# The JSON value type is in nearly every translation unit and is costly to
# parse; precompiling it (with the standard headers) halves the build.
# Every library shares the first one's precompiled header and every test
# program the first test's: one header each instead of one per target, which
# saves gigabytes per build folder and a compile per target.
set(MV_PCH_OWNER "" CACHE INTERNAL "")
set(MV_TEST_PCH_OWNER "" CACHE INTERNAL "")
function(mv_precompile target owner_var)
  if(${owner_var} AND TARGET ${${owner_var}})
    target_precompile_headers(${target} REUSE_FROM ${${owner_var}})
    return()
  endif()
  target_precompile_headers(${target} PRIVATE
    <string> <vector> <map> <memory> <functional> <optional> <filesystem>
    <nlohmann/json.hpp> ${ARGN})
  set(${owner_var} ${target} CACHE INTERNAL "")
endfunction()

function(mv_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT srcs)
    # a folder with no sources yet still passes on what it stands on
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} ${MV_LIBRARY_KIND} ${srcs})
  # no per-library export macro: every library shares one precompiled header
  set_target_properties(${name} PROPERTIES DEFINE_SYMBOL "")
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  mv_precompile(${name} MV_PCH_OWNER)
  target_link_libraries(${name} PUBLIC ${ARGN})
  set(MV_ALL_LIBRARIES ${MV_ALL_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()

function(mv_test name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  mv_precompile(${name} MV_TEST_PCH_OWNER <gtest/gtest.h>)
  # Tests read the built resources (string tables, images, template database).
  add_dependencies(${name} mv_resources)
  target_link_libraries(${name} PRIVATE ${ARGN} mv_test_support GTest::gtest GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300
    ENVIRONMENT "MV_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp;MARVISTO_UDID_DIR=${CMAKE_BINARY_DIR}/test-tmp/udid-slots")
endfunction()
