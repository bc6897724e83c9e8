# The Debian package (make package, or cpack -G DEB in a build folder): the
# installed tree under /usr, stripped, with the dependencies dpkg-shlibdeps finds
# in the binaries plus what the program loads at run time without linking it: the
# Japanese fonts the panes and reports are laid out for and Qt's Japanese
# translations. The X11 platform plugin comes with libqt6gui6 (found by
# shlibdeps); the Wayland one is recommended.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarnik)
set(CPACK_PACKAGE_VENDOR "Zarnik developers")
set(CPACK_PACKAGE_CONTACT "${ZARNIK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "count comment, executable and blank lines of source code")
# Lines of the extended description stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION [=[Zarnik measures source code. For every file it is given it counts the
total, comment, executable and blank lines and the comment ratio, for C and
C++, assembler, Java, PL/SQL and VB/BASIC, and writes a fixed-width Japanese
report with folder subtotals, totals per kind of source and averages.
.
This package holds the desktop program zarnik (Qt 6) and the command
zarnik-count, which writes the same report without a window.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZARNIK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZARNIK_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-ipafont-mincho, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
