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
add_library(korvane_system STATIC ${KORVANE_SYSTEM_SOURCES})
target_link_libraries(korvane_system PUBLIC korvane_db korvane_platform
  wbemuuid ole32 oleaut32 uuid advapi32 iphlpapi ws2_32 netapi32 user32 kernel32)

# The database layer reaches its servers through odbc32 (the wide-character calls); the
# embedded SQLite backend is compiled in (cmake/sqlite_amalgamation.cmake).
target_link_libraries(korvane_db PUBLIC odbc32)

# GoogleTest for the Windows tests, built from source with the cross compiler (Debian's
# package googletest ships it in /usr/src/googletest).
set(KORVANE_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest's source tree")
if(KORVANE_BUILD_TESTS AND EXISTS "${KORVANE_GTEST_SOURCE}/googletest/CMakeLists.txt")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory("${KORVANE_GTEST_SOURCE}/googletest" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  # Third-party code: the project's warning set (and -Werror) is not applied to it.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()

# The executables are defined after this file is read; the manifest and the Windows
# harness of the tests join them once the whole top-level list has been processed.
function(korvane_win32_finish)
  if(TARGET korvane)
    # The same scanner without the manifest, for the tests of a Windows that ignores
    # it: its ANSI calls then use the system's code page (1252 under Wine in English).
    get_target_property(KORVANE_SCANNER_SOURCES korvane SOURCES)
    get_target_property(KORVANE_SCANNER_LIBRARIES korvane LINK_LIBRARIES)
    add_executable(korvane-acp WIN32 EXCLUDE_FROM_ALL ${KORVANE_SCANNER_SOURCES})
    target_link_libraries(korvane-acp PRIVATE ${KORVANE_SCANNER_LIBRARIES})
    target_sources(korvane PRIVATE ${CMAKE_SOURCE_DIR}/app/korvane.rc)
  endif()
  if(TARGET korvane-console)
    # The console's Windows side (console/system/win32/) uses the text
    # conversions of platform/win32.
    target_link_libraries(korvane_console_lib PUBLIC korvane_system)
    target_sources(korvane-console PRIVATE ${CMAKE_SOURCE_DIR}/app/korvane.rc)
  endif()
  # One target contract, run here against the real Windows calls (on Linux against the
  # lab: tests/contract), with the Windows layer's own rules beside it.
  if(TARGET gtest_main)
    file(GLOB KORVANE_WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/contract/*.cpp)
    add_executable(korvane-windows-tests EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/contract/target_contract.cpp
      ${KORVANE_WINDOWS_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/app/korvane.rc)
    target_link_libraries(korvane-windows-tests PRIVATE korvane_core korvane_system gtest gtest_main)
  endif()
  file(GLOB KORVANE_WINE_PROGRAMS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/programs/*.cpp)
  foreach(program ${KORVANE_WINE_PROGRAMS})
    get_filename_component(name ${program} NAME_WE)
    add_executable(${name} ${program} ${CMAKE_SOURCE_DIR}/app/korvane.rc)
    target_link_libraries(${name} PRIVATE korvane_core korvane_system shell32)
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL korvane_win32_finish)
