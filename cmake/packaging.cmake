# SPDX-License-Identifier: MIT
# Installing and packaging: the four programs and their manual pages on
# Linux (cpack -G DEB), the four .exe files with the README and the licence on Windows
# (cpack -G ZIP).
set(CPACK_PACKAGE_NAME sievebench)
set(CPACK_PACKAGE_VENDOR "The sievebench project")
set(CPACK_PACKAGE_CONTACT "The sievebench project <sievebench@sievebench.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sieve of Eratosthenes benchmark with repeated runs and machine comparison")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS sievebench RUNTIME DESTINATION .)
  foreach(companion sievebench-sweep sievebench-compare sievebench-archive)
    if(TARGET ${companion})
      install(TARGETS ${companion} RUNTIME DESTINATION .)
    endif()
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME sievebench-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME sievebench-${PROJECT_VERSION}-win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  include(CPack)
  return()
endif()

install(TARGETS sievebench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual pages carry the project's version and are installed compressed
# the way Debian wants them: gzip -9 with no name or time stamp inside.
find_program(SIEVEBENCH_GZIP gzip REQUIRED)
set(manual_pages)
foreach(page sievebench.1 sievebench-sweep.1 sievebench-compare.1 sievebench-archive.1)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page} ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.gz
    COMMAND ${SIEVEBENCH_GZIP} -9nkf ${page}
    DEPENDS ${PROJECT_BINARY_DIR}/man/${page}
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/man
    COMMENT "Compressing ${page}")
  list(APPEND manual_pages ${PROJECT_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${manual_pages})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian wants its copyright file and a compressed changelog in the package's
# documentation folder.
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog changelog
  COMMAND ${SIEVEBENCH_GZIP} -9nf changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
add_custom_target(package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package is made from the ordinary native build, where CPack's
# defaults fall short of lintian: set the file name, the stripping, the
# dependencies, the changelog (above) and the control files' permissions.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS gnuplot-nox)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# CPack takes the synopsis from the summary, indents these lines and turns
# the empty one into Debian's paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "sievebench measures how fast a machine runs the Sieve of Eratosthenes: it
times filling a byte array, striking out the composites, and counting the
primes while writing each odd prime to a file with one system call, and
prints a report that is byte-identical on every machine apart from the times.

sievebench-sweep repeats validated runs across limits and writes the results
as JSON; sievebench-compare puts the results of several machines in one
table with their ratios; sievebench-archive keeps every sweep in one SQLite
file and finds when each machine, or the whole fleet, changed.")
include(CPack)
