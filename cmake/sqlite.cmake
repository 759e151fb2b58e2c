# SPDX-License-Identifier: MIT
# SQLite for the archive: Debian's libsqlite3 on Linux; for the Windows
# builds, SQLite's own amalgamation (sqlite3.c), compiled into the program,
# from the folder SIEVEBENCH_SQLITE_SOURCE (tools/install-deps fetches it
# from the npm package better-sqlite3, which carries it in deps/sqlite3).
# Defines the target sievebench::sqlite3, or leaves it undefined with a
# warning: the archive is then not built.
if(WIN32)
  set(SIEVEBENCH_SQLITE_SOURCE "$ENV{HOME}/.cache/sievebench/better-sqlite3/package/deps/sqlite3" CACHE PATH
    "The folder of SQLite's amalgamation, sqlite3.c and sqlite3.h")
  if(NOT EXISTS ${SIEVEBENCH_SQLITE_SOURCE}/sqlite3.c)
    message(WARNING "no SQLite amalgamation in ${SIEVEBENCH_SQLITE_SOURCE}: sievebench-archive.exe is not built "
                    "(tools/install-deps fetches it)")
    return()
  endif()
  enable_language(C)
  # The program is one thread; no extension is loaded; the rest is SQLite's
  # own default. -O1 builds in a third of -O2's time, and the archive's
  # work is reading files, not SQLite's loops.
  add_library(sievebench_sqlite3 STATIC ${SIEVEBENCH_SQLITE_SOURCE}/sqlite3.c)
  target_compile_definitions(sievebench_sqlite3 PRIVATE SQLITE_THREADSAFE=0 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0
                                                        SQLITE_DEFAULT_FOREIGN_KEYS=1)
  target_compile_options(sievebench_sqlite3 PRIVATE -O1 -w)
  target_include_directories(sievebench_sqlite3 SYSTEM INTERFACE ${SIEVEBENCH_SQLITE_SOURCE})
  add_library(sievebench::sqlite3 ALIAS sievebench_sqlite3)
else()
  find_package(SQLite3 QUIET)
  if(NOT SQLite3_FOUND)
    message(WARNING "libsqlite3 not found: sievebench-archive is not built (tools/install-deps installs it)")
    return()
  endif()
  add_library(sievebench::sqlite3 ALIAS SQLite::SQLite3)
endif()
