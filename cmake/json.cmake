# nlohmann JSON, header-only (Debian: nlohmann-json3-dev, installed by scripts/setup.sh).
# The cross build must not search the Linux include directory as a whole (its C headers
# would shadow MinGW's), so the library's own folder is copied into the build tree and
# only that copy is put on the include path.
find_path(KORVANE_NLOHMANN_INCLUDE_DIR nlohmann/json.hpp
  HINTS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(COPY ${KORVANE_NLOHMANN_INCLUDE_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
add_library(korvane_json INTERFACE)
target_include_directories(korvane_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/third_party/include)
