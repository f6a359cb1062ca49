# A Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Orvantis")
set(CPACK_PACKAGE_CONTACT "Orvantis <velmora@orvantis.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "count the characters of every line of text files")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Velmora counts the characters of every line of plain-text files, in a window or with\n"
    "the command-line companion velmora-count. Lines can be filtered by a text, sorted by\n"
    "length and saved as a text file.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJECT_HOMEPAGE_URL})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link come from dpkg-shlibdeps (Qt's X11 platform plugin comes
# with libqt6gui6); the fonts the window is designed for are not linked, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
