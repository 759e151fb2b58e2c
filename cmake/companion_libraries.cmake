# SPDX-License-Identifier: MIT
# The libraries the companions build on: nlohmann-json and CLI11 (headers
# only), and the system's digest: OpenSSL's libcrypto on Linux, BCrypt on
# Windows. Sets SIEVEBENCH_COMPANIONS when all of them are there.
set(SIEVEBENCH_COMPANIONS OFF)
if(WIN32 AND CMAKE_CROSSCOMPILING)
  # Both libraries are headers only, so the Linux host's serve the mingw
  # build too; only their own folders are offered, never the rest of
  # /usr/include, whose C library headers are not Windows'.
  set(host_headers ${PROJECT_BINARY_DIR}/host-headers)
  foreach(folder nlohmann CLI)
    if(EXISTS /usr/include/${folder})
      file(COPY /usr/include/${folder} DESTINATION ${host_headers})
    endif()
  endforeach()
  if(EXISTS ${host_headers}/nlohmann/json.hpp AND EXISTS ${host_headers}/CLI/CLI.hpp)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${host_headers})
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${host_headers})
    set(nlohmann_json_FOUND TRUE)
    set(CLI11_FOUND TRUE)
  endif()
else()
  find_package(nlohmann_json 3 QUIET)
  find_package(CLI11 QUIET)
endif()
if(WIN32)
  set(digest_found TRUE)  # bcrypt.dll is part of Windows
else()
  find_package(OpenSSL QUIET COMPONENTS Crypto)
  set(digest_found ${OpenSSL_FOUND})
endif()
if(NOT nlohmann_json_FOUND OR NOT CLI11_FOUND OR NOT digest_found)
  # The benchmark builds without them; the companions and the tests need them.
  message(WARNING "nlohmann-json, CLI11 or libcrypto not found: sievebench-sweep and sievebench-compare "
                  "are not built (tools/install-deps installs them)")
  return()
endif()
set(SIEVEBENCH_COMPANIONS ON)
