# The Windows cross-build (cmake/i686-w64-mingw32.cmake): the target's own
# libcurl, libzip and cpp-httplib come from scripts/win32-deps.sh (cached per Debian
# source version), GoogleTest is built from Debian's source for the target, and
# the header-only Debian libraries are used in place. The Find modules in
# cmake/win32/ answer the project's find_package calls with these.

if(NOT EXISTS "${ZUMR_WIN32_CURL}/.complete" OR NOT EXISTS "${ZUMR_WIN32_LIBZIP}/.complete"
   OR NOT EXISTS "${ZUMR_WIN32_HTTPLIB}/httplib.h")
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/win32-deps.sh
                  OUTPUT_VARIABLE deps RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "scripts/win32-deps.sh failed")
  endif()
  string(REGEX MATCH "curl=([^\n]*)" _ "${deps}")
  set(ZUMR_WIN32_CURL "${CMAKE_MATCH_1}" CACHE PATH "libcurl built for the target" FORCE)
  string(REGEX MATCH "libzip=([^\n]*)" _ "${deps}")
  set(ZUMR_WIN32_LIBZIP "${CMAKE_MATCH_1}" CACHE PATH "libzip built for the target" FORCE)
  string(REGEX MATCH "httplib=([^\n]*)" _ "${deps}")
  set(ZUMR_WIN32_HTTPLIB "${CMAKE_MATCH_1}" CACHE PATH "header-only cpp-httplib" FORCE)
endif()

# Only the folders of the header-only libraries, never /usr/include itself,
# whose C library headers would shadow the target's.
set(ZUMR_WIN32_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${ZUMR_WIN32_HEADERS})
foreach(entry CLI nlohmann utf8cpp)
  file(CREATE_LINK /usr/include/${entry} ${ZUMR_WIN32_HEADERS}/${entry} SYMBOLIC)
endforeach()
file(CREATE_LINK ${ZUMR_WIN32_HTTPLIB}/httplib.h ${ZUMR_WIN32_HEADERS}/httplib.h SYMBOLIC)

# cpp-httplib through pkg-config, as on Linux.
set(ZUMR_WIN32_PKGCONFIG ${CMAKE_BINARY_DIR}/pkgconfig)
file(WRITE ${ZUMR_WIN32_PKGCONFIG}/cpp-httplib.pc
     "Name: cpp-httplib\nDescription: header-only\nVersion: 0.11.4\n"
     "Cflags: -I${ZUMR_WIN32_HEADERS}\nLibs: -lws2_32\n")
set(ENV{PKG_CONFIG_LIBDIR} ${ZUMR_WIN32_PKGCONFIG})
set(ENV{PKG_CONFIG_PATH} "")

list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/win32)

add_library(Zumr::libzip SHARED IMPORTED GLOBAL)
set_target_properties(Zumr::libzip PROPERTIES
  IMPORTED_LOCATION ${ZUMR_WIN32_LIBZIP}/bin/libzip.dll
  IMPORTED_IMPLIB ${ZUMR_WIN32_LIBZIP}/lib/libzip.dll.a
  INTERFACE_INCLUDE_DIRECTORIES ${ZUMR_WIN32_LIBZIP}/include)

# Every program and DLL in one folder, libcurl-4.dll and libzip.dll beside
# them, as in the zip.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
file(COPY ${ZUMR_WIN32_CURL}/bin/libcurl-4.dll ${ZUMR_WIN32_LIBZIP}/bin/libzip.dll
     DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

# Tests run under Wine, in a prefix of this build.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
set(ZUMR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

# Windows 7 API level for the sockets of the test servers and the shell calls.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE)
