# The version and the commit that both programs report with --version, fixed when the
# build is configured: `git rev-parse` and `git describe` of the source tree, or
# KORVANE_COMMIT (a source without git, such as an unpacked release), or "unknown".
# Configuring runs again when the checked-out commit changes.
set(KORVANE_COMMIT "" CACHE STRING "Commit to report when the source is not a git checkout")

set(KORVANE_BUILD_COMMIT "")
set(KORVANE_BUILD_DESCRIBE "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 HEAD
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} RESULT_VARIABLE git_status
    OUTPUT_VARIABLE KORVANE_BUILD_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(git_status EQUAL 0)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --always --dirty --abbrev=12
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE KORVANE_BUILD_DESCRIBE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # A new commit (HEAD, or the branch it names) configures again.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path HEAD
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE git_head OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} symbolic-ref -q HEAD
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE git_branch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    foreach(path ${git_head})
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
    endforeach()
    if(git_branch)
      execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path ${git_branch}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE git_ref OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(git_ref AND EXISTS ${git_ref})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${git_ref})
      endif()
    endif()
  else()
    set(KORVANE_BUILD_COMMIT "")
  endif()
endif()
if(NOT KORVANE_BUILD_COMMIT)
  set(KORVANE_BUILD_COMMIT "${KORVANE_COMMIT}")
endif()
if(NOT KORVANE_BUILD_COMMIT)
  set(KORVANE_BUILD_COMMIT "unknown")
endif()
set(KORVANE_VERSION_TEXT "${PROJECT_VERSION} (commit ${KORVANE_BUILD_COMMIT}")
if(KORVANE_BUILD_DESCRIBE AND NOT KORVANE_BUILD_DESCRIBE STREQUAL KORVANE_BUILD_COMMIT)
  string(APPEND KORVANE_VERSION_TEXT ", ${KORVANE_BUILD_DESCRIBE}")
endif()
string(APPEND KORVANE_VERSION_TEXT ")")
message(STATUS "Korvane ${KORVANE_VERSION_TEXT}")

configure_file(${CMAKE_SOURCE_DIR}/cmake/version.cpp.in ${CMAKE_BINARY_DIR}/generated/version.cpp @ONLY)
target_sources(korvane_platform PRIVATE ${CMAKE_BINARY_DIR}/generated/version.cpp)
