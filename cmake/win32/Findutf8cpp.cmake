# Header-only; its headers are used in place (see cmake/Win32.cmake).
if(NOT TARGET utf8cpp)
  add_library(utf8cpp INTERFACE IMPORTED GLOBAL)
  set_target_properties(utf8cpp PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${ZUMR_WIN32_HEADERS})
endif()
set(utf8cpp_FOUND TRUE)
