# SPDX-License-Identifier: MIT
# One library per folder, and a folder's headers visible only to the
# libraries that link it. Sources include headers by their folder
# ("results/model.h"), so the project's root is never an include path: each
# library gets a root of its own in the build tree that holds only its
# folder, as a link to the sources. An include of a folder the library does
# not link then fails to compile.
function(sievebench_room target folder)
  set(root ${PROJECT_BINARY_DIR}/rooms/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
