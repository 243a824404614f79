# libcurl-4.dll built for the target by scripts/win32-deps.sh.
if(NOT TARGET CURL::libcurl)
  add_library(CURL::libcurl SHARED IMPORTED GLOBAL)
  set_target_properties(CURL::libcurl PROPERTIES
    IMPORTED_LOCATION ${ZUMR_WIN32_CURL}/bin/libcurl-4.dll
    IMPORTED_IMPLIB ${ZUMR_WIN32_CURL}/lib/libcurl-4.dll.a
    INTERFACE_INCLUDE_DIRECTORIES ${ZUMR_WIN32_CURL}/include)
endif()
set(CURL_FOUND TRUE)
