# The Windows platform: platform/win32 behind the portable interfaces, the database
# through the Windows ODBC manager, and the manifest that makes UTF-8 the ANSI code page.

# Windows 7 API level; the calls used exist since NT, the manifest needs nothing newer.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601)

if(MSVC)
  # Sources are UTF-8; the manifest comes from app/korvane.rc, not from the linker.
  add_compile_options(/utf-8 /W4 /permissive-)
  add_link_options(/MANIFEST:NO)
endif()

file(GLOB KORVANE_SYSTEM_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
list(FILTER KORVANE_SYSTEM_SOURCES EXCLUDE REGEX "sqlite_absent\\.cpp$")
add_library(korvane_system STATIC ${KORVANE_SYSTEM_SOURCES})
target_link_libraries(korvane_system PUBLIC korvane_db korvane_platform
  wbemuuid ole32 oleaut32 uuid advapi32 iphlpapi ws2_32 netapi32 user32 kernel32)

# The database layer reaches its servers through odbc32 (the wide-character calls). The
# embedded SQLite backend needs the SQLite library, which is not built for Windows here:
# its sources are left out, and platform/win32/sqlite_absent.cpp refuses a SQLite file
# with a description the error log shows.
get_target_property(KORVANE_DB_ALL_SOURCES korvane_db SOURCES)
list(FILTER KORVANE_DB_ALL_SOURCES EXCLUDE REGEX "sqlite[^/]*\\.cpp$")
set_property(TARGET korvane_db PROPERTY SOURCES ${KORVANE_DB_ALL_SOURCES}
  ${CMAKE_SOURCE_DIR}/platform/win32/sqlite_absent.cpp)
target_link_libraries(korvane_db PUBLIC odbc32)

# The executables are defined after this file is read; the manifest and the Windows
# harness of the tests join them once the whole top-level list has been processed.
function(korvane_win32_finish)
  if(TARGET korvane)
    target_sources(korvane PRIVATE ${CMAKE_SOURCE_DIR}/app/korvane.rc)
  endif()
  if(TARGET korvane-console)
    # The console's Windows side (console/scan_process_win32.cpp) uses the text
    # conversions of platform/win32.
    target_link_libraries(korvane_console_lib PUBLIC korvane_system)
    target_sources(korvane-console PRIVATE ${CMAKE_SOURCE_DIR}/app/korvane.rc)
  endif()
  file(GLOB KORVANE_WINE_PROGRAMS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/programs/*.cpp)
  foreach(program ${KORVANE_WINE_PROGRAMS})
    get_filename_component(name ${program} NAME_WE)
    add_executable(${name} ${program} ${CMAKE_SOURCE_DIR}/app/korvane.rc)
    target_link_libraries(${name} PRIVATE korvane_core korvane_system shell32)
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL korvane_win32_finish)
