# Header-only; its headers are used in place (see cmake/Win32.cmake).
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${ZUMR_WIN32_HEADERS})
endif()
set(nlohmann_json_FOUND TRUE)
