# Header-only; its headers are used in place (see cmake/Win32.cmake).
if(NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${ZUMR_WIN32_HEADERS})
endif()
set(CLI11_FOUND TRUE)
