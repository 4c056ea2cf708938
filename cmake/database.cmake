# The database layer: SQLite is the embedded default, ODBC reaches servers.
file(GLOB KORVANE_DB_SOURCES CONFIGURE_DEPENDS platform/db/*.cpp)
add_library(korvane_db STATIC ${KORVANE_DB_SOURCES})
target_link_libraries(korvane_db PUBLIC korvane_platform)
