# The Debian package: `cpack -G DEB` in the build folder makes zarvo_VERSION_ARCH.deb from what
# `cmake --install` puts in place, with its dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarvo)
set(CPACK_PACKAGE_VENDOR "The Zarvo developers")
set(CPACK_PACKAGE_CONTACT "The Zarvo developers <zarvo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see what is inside a video file")
# Debian wants the long description in lines of under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Zarvo shows what is inside a video file as a short plain-text report: the\n"
    "file's size and duration, and for each stream its resolution, codec, frame\n"
    "count and rate, or its audio format, sample rate, bitrate and channels.\n"
    "The desktop program zarvo shows the report in a window; the command\n"
    "zarvo-report prints it in a terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The debugging information stays in the build folder; the package carries the programs only.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/zarvo/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 plugin comes with libqt6gui6, its Wayland plugin does not: without it the window runs
# through XWayland, blurred under fractional scaling, or not at all where there is no XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)

include(CPack)
