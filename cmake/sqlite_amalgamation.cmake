# SQLite compiled into the Windows executables from its amalgamation, which
# scripts/sqlite-amalgamation.sh makes from Debian's source package of SQLite (the same
# SQLite the Linux build links). The object is built once per build directory.
set(KORVANE_SQLITE_AMALGAMATION "${CMAKE_BINARY_DIR}/sqlite-amalgamation" CACHE PATH
  "Directory holding sqlite3.c and sqlite3.h")
if(NOT EXISTS "${KORVANE_SQLITE_AMALGAMATION}/sqlite3.c")
  message(FATAL_ERROR "No SQLite amalgamation in ${KORVANE_SQLITE_AMALGAMATION}: run "
    "scripts/sqlite-amalgamation.sh ${KORVANE_SQLITE_AMALGAMATION} (or pass "
    "-DKORVANE_SQLITE_AMALGAMATION=DIR naming a directory with sqlite3.c and sqlite3.h)")
endif()

add_library(korvane_sqlite3 STATIC "${KORVANE_SQLITE_AMALGAMATION}/sqlite3.c")
target_include_directories(korvane_sqlite3 SYSTEM PUBLIC "${KORVANE_SQLITE_AMALGAMATION}")
# Scanner processes share the file through Windows file locks; nothing loads extensions.
target_compile_definitions(korvane_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
# Third-party code: the project's warning set (and -Werror) is not applied to it.
set_source_files_properties("${KORVANE_SQLITE_AMALGAMATION}/sqlite3.c" PROPERTIES COMPILE_OPTIONS "-w")
set_target_properties(korvane_sqlite3 PROPERTIES C_STANDARD 99)
add_library(SQLite::SQLite3 ALIAS korvane_sqlite3)
