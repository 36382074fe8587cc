# Installation layout and the Debian package: `cpack -G DEB` in the build
# folder, or scripts/package.sh, which builds and checks it.
include(GNUInstallDirs)

install(TARGETS folioharvester folioharvester-cli folioharvester-fetch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(FH_OCR)
  install(TARGETS folioharvester-ocr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES packaging/folioharvester.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/folioharvester.xpm DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps)
install(FILES packaging/folioharvester.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)

# Debian keeps man pages compressed, without a time stamp (reproducible).
set(manPage ${PROJECT_SOURCE_DIR}/cli/folioharvester-cli.1)
set(manPageGz ${PROJECT_BINARY_DIR}/folioharvester-cli.1.gz)
install(CODE "execute_process(COMMAND gzip -9 -n -c \"${manPage}\" OUTPUT_FILE \"${manPageGz}\" COMMAND_ERROR_IS_FATAL ANY)")
install(FILES ${manPageGz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Installing needs only the programs, not the tests: the packaging script
# builds those targets itself.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME folioharvester)
set(CPACK_PACKAGE_VENDOR "FolioHarvester")
set(CPACK_PACKAGE_CONTACT "FolioHarvester developers <folioharvester@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Downloads patent documents into one PDF each")
set(CPACK_PACKAGE_DESCRIPTION
    "Type a patent or application number and FolioHarvester fetches the document's fax-coded page images
and writes them into one PDF, several documents at once. Comes with a window (folioharvester) and a
command line (folioharvester-cli).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Library dependencies are read off the binaries by dpkg-shlibdeps; the
# HTTPS routes also need the system's certificate authorities, and printing
# hands the PDF to lp.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates")
# OCR reads its languages from Tesseract's data packages, which no binary
# names as a library.
if(FH_OCR)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", tesseract-ocr-eng, tesseract-ocr-deu, tesseract-ocr-fra")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups-client")
include(CPack)

add_test(NAME debian_package COMMAND ${PROJECT_SOURCE_DIR}/scripts/package.sh --no-build)
set_tests_properties(debian_package PROPERTIES LABELS unit TIMEOUT 120
                     ENVIRONMENT "BUILD_DIR=${PROJECT_BINARY_DIR}")
