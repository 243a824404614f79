# Installation of the command-line companion and the Debian package of both
# programs (cpack -G DEB, run by scripts/package-deb.sh).
include(GNUInstallDirs)
if(TARGET zumr-cli)
  install(TARGETS zumr-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(CPACK_PACKAGE_NAME zumr)
set(CPACK_PACKAGE_VENDOR "zumr")
set(CPACK_PACKAGE_CONTACT "zumr developers <zumr@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Downloads manga chapters from the sites' title pages")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a Latin and Cyrillic face wherever the system has no other.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)
