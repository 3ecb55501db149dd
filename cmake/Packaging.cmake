# `make package`: a Debian package of everything `make install` puts in place, installed under
# /usr, with its library dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tonewright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Tonewright developers <dev@tonewright.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop front-end for the BladeEnc MP3 encoder")
set(CPACK_PACKAGE_DESCRIPTION "Tonewright collects WAV and AIFF files in a list, runs the BladeEnc \
encoder over the whole list with the chosen settings and shows its progress. It ships its own \
BladeEnc-compatible encoder built on libmp3lame and libsndfile.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.tonewright.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
