# Installation of the command-line companion and the Debian package of both
# programs (cpack -G DEB, run by scripts/package-deb.sh): manual pages, the
# copyright file in Debian's machine-readable form, the changelog.
include(GNUInstallDirs)
if(TARGET zumr-cli)
  install(TARGETS zumr-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The changelog's latest entry must name the version project() sets.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^zumr \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with \"${latest}\"; its latest entry must be version "
                      "${PROJECT_VERSION}, as project() says")
endif()

# Compressed as Debian wants them: gzip -9, no name or time stamp inside.
set(docs ${PROJECT_BINARY_DIR}/packaging)
function(zumr_gzip source target)
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${target} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
endfunction()
set(VERSION ${PROJECT_VERSION})
foreach(page zumr zumr-cli)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${page}.1 ${docs}/${page}.1 @ONLY)
  zumr_gzip(${docs}/${page}.1 ${docs}/${page}.1.gz)
  install(FILES ${docs}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${docs}/changelog COPYONLY)
zumr_gzip(${docs}/changelog ${docs}/changelog.gz)
install(FILES ${docs}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(ZUMR_MAINTAINER "zumr developers <zumr@example.org>" CACHE STRING "The package's maintainer")
set(CPACK_PACKAGE_NAME zumr)
set(CPACK_PACKAGE_VENDOR "zumr")
set(CPACK_PACKAGE_CONTACT "${ZUMR_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manga chapter downloader for manga-reading sites")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "zumr reads a manga's title page on one family of manga-reading websites,
lists its chapters and downloads the chosen ones into a folder per manga,
volume and chapter, optionally packed as CBZ files for comic readers.
Downloads resume where they stopped. The package holds the window program
(Qt 6, Russian interface) and zumr-cli, its command-line companion, which
also updates a whole library of mangas in one command.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Faces for Latin and Cyrillic, and for the Japanese names of mangas, which
# would otherwise show as boxes wherever the system has no such font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
include(CPack)
