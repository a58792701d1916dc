# Parsing the standard library's headers was about half of the compile time of
# each of the program's files: every C++ target of the program and its tools
# reuses one precompiled header of the standard headers the tree uses most.
# Tests do not: with precompiled headers GCC 12 reports its known false
# overflows inside std::string's inlined copies as the tests' own. Off in the
# clang fuzz build, where clang refuses a header precompiled with other flags.
set(PADDOCK_COMMON_HEADERS
  <algorithm> <any> <cmath> <cstdint> <cstdio> <cstdlib> <cstring> <functional> <map>
  <memory> <optional> <string> <string_view> <unordered_map> <variant> <vector>)

# Applies the shared precompiled headers to every target defined in `dir` and
# below; call it once, after every folder has been added.
function(paddock_precompile_common_headers dir)
  if(PADDOCK_FUZZ)
    return()
  endif()
  if(NOT TARGET paddock_common_headers)
    add_library(paddock_common_headers OBJECT ${CMAKE_SOURCE_DIR}/cmake/common_headers.cpp)
    target_precompile_headers(paddock_common_headers PRIVATE ${PADDOCK_COMMON_HEADERS})
  endif()
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    get_target_property(links ${target} LINK_LIBRARIES)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY|SHARED_LIBRARY)$" OR
       target STREQUAL "paddock_common_headers" OR (links MATCHES "GTest::"))
      continue()
    endif()
    target_precompile_headers(${target} REUSE_FROM paddock_common_headers)
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    paddock_precompile_common_headers(${subdir})
  endforeach()
endfunction()
