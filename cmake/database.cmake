# The database layer: SQLite is the embedded default, ODBC reaches servers (unixODBC on
# Linux, the Windows driver manager on Windows). The schema files are compiled in.
file(GLOB KORVANE_DB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/db/*.cpp)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/schema/sqlite.sql
  ${CMAKE_SOURCE_DIR}/schema/postgresql.sql
  ${CMAKE_SOURCE_DIR}/schema/sqlserver.sql
  ${CMAKE_SOURCE_DIR}/cmake/schema_texts.cpp.in)
file(READ ${CMAKE_SOURCE_DIR}/schema/sqlite.sql KORVANE_SCHEMA_SQLITE)
file(READ ${CMAKE_SOURCE_DIR}/schema/postgresql.sql KORVANE_SCHEMA_POSTGRESQL)
file(READ ${CMAKE_SOURCE_DIR}/schema/sqlserver.sql KORVANE_SCHEMA_SQLSERVER)
configure_file(${CMAKE_SOURCE_DIR}/cmake/schema_texts.cpp.in
  ${CMAKE_BINARY_DIR}/generated/schema_texts.cpp @ONLY)

add_library(korvane_db STATIC ${KORVANE_DB_SOURCES} ${CMAKE_BINARY_DIR}/generated/schema_texts.cpp)
target_link_libraries(korvane_db PUBLIC korvane_platform)

# Linux uses the system's SQLite library; Windows compiles the same SQLite in.
if(WIN32)
  include(${CMAKE_SOURCE_DIR}/cmake/sqlite_amalgamation.cmake)
else()
  find_package(SQLite3 REQUIRED)
endif()
target_link_libraries(korvane_db PRIVATE SQLite::SQLite3)

if(WIN32)
  target_link_libraries(korvane_db PRIVATE odbc32)
else()
  find_package(ODBC REQUIRED)
  target_link_libraries(korvane_db PRIVATE ODBC::ODBC)
endif()
