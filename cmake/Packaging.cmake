# The Debian package: cpack -G DEB in the build folder (scripts/package.sh
# builds, packs and checks it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME v6uvuv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The V6UVUV developers")
set(CPACK_PACKAGE_CONTACT "The V6UVUV developers <dev@v6uvuv.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for Q6K digital panel meters")
set(CPACK_PACKAGE_DESCRIPTION
"V6UVUV sets up the Q6K series of digital panel meters (154 models) over
their infrared CONFIG port, an RS-485 line (Modbus RTU) or a Modbus TCP
gateway: it uploads a meter's whole parameter set, edits it in the main
window and its dialogs, downloads it back, keeps it in .cfg files, compares
it with a meter or a file and shows the meter's live values.
.
The package holds the window program v6uvuv, the command line v6uvuv-cli
for production lines and whole RS-485 lines of meters, and the meter
simulator q6k-sim for training and trying the tools without a meter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://v6uvuv.org/")
# The libraries the programs are linked with, as dpkg-shlibdeps finds them,
# and the font the Japanese texts are drawn in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-vlgothic")
# Qt's own texts in Japanese; the program works without them, in Qt's English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
