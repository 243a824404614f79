# Debian's mingw-w64 zlib, linked statically so that no zlib DLL has to travel.
if(NOT TARGET ZLIB::ZLIB)
  add_library(ZLIB::ZLIB STATIC IMPORTED GLOBAL)
  set_target_properties(ZLIB::ZLIB PROPERTIES
    IMPORTED_LOCATION /usr/i686-w64-mingw32/lib/libz.a
    INTERFACE_INCLUDE_DIRECTORIES /usr/i686-w64-mingw32/include)
endif()
set(ZLIB_FOUND TRUE)
