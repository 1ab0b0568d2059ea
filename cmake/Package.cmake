# The Debian package ostrel-word-to-pdf (`cpack -G DEB`, see scripts/package.sh). It
# installs under CMAKE_INSTALL_PREFIX, the prefix the programs were built for (the Word
# server's library is found there); its maintainer scripts set the Writer add-in up
# after installing and take it away before removing.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel-word-to-pdf)
set(CPACK_PACKAGE_VENDOR "Ostrel Software")
set(CPACK_PACKAGE_CONTACT "Ostrel Software <support@ostrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert Word documents into PDF files")
set(CPACK_PACKAGE_DESCRIPTION
    "The desktop program OstrelWordToPdf lists Word documents and converts them to PDF with \
document information, passwords, permissions and compression options; ostrel-convert does \
the same for scripts, and the add-in KestrineWord adds a toolbar button to Writer. The \
office prints each document, Ghostscript makes the PDF.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# A staged install (DESTDIR set) registers nothing on the packaging machine.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.ostrel.example/")
# The libraries the programs link (Qt, UNO, qpdf's none) come from dpkg-shlibdeps; the
# office and Ghostscript are started, not linked, and are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "${CMAKE_INSTALL_PREFIX}/${OSTREL_LIBDIR}" "${OSTREL_LO_PROGRAM_DIR}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libreoffice-writer, libreoffice-core, ghostscript")

set(OSTREL_SETUP_DIR "${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/ostrel")
# Who the package set the add-in up for, so that its removal takes every set-up away.
set(OSTREL_ADDIN_NOTES_DIR "/var/lib/ostrel-word-to-pdf")
foreach(script postinst prerm)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/${script}.in
                 ${PROJECT_BINARY_DIR}/debian/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/debian/postinst ${PROJECT_BINARY_DIR}/debian/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
