# `make package`: a Debian package of everything `make install` puts in place, installed under
# /usr, with its library dependencies found by dpkg-shlibdeps, the machine-readable copyright
# file, the Debian changelog and lintian's overrides (cmake/debian/).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tonewright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Tonewright developers <dev@tonewright.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop front-end for the BladeEnc MP3 encoder")
# One source line per control file line: Debian wants them within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "\
Tonewright collects WAV and AIFF files in a list, runs the BladeEnc encoder
over the whole list with the chosen settings and shows its progress. It can
hide in the notification area while it works, show the encoder's log of the
last run and switch the computer off after a batch that ended without errors.

It ships its own BladeEnc-compatible encoder, built on libmp3lame and
libsndfile, which encodes several files at once.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tonewright.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in the user's language (qtbase_de.qm); ours are compiled into the program.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_STRIP_FILES ON)

# The copyright file goes with every installation; the changelog only into the package, as the
# component "debian", which a plain `cmake --install` leaves out.
install(FILES cmake/debian/copyright DESTINATION share/doc/tonewright)
set(debian_changelog ${CMAKE_BINARY_DIR}/debian/changelog.Debian)
configure_file(cmake/debian/changelog.in ${debian_changelog} @ONLY)
# -n: no name and no time stamp in the header, so the same changelog gives the same bytes.
add_custom_command(OUTPUT ${debian_changelog}.gz
  COMMAND gzip -9nkf ${debian_changelog}
  DEPENDS ${debian_changelog}
  VERBATIM)
add_custom_target(tw_debian_changelog ALL DEPENDS ${debian_changelog}.gz)
install(FILES ${debian_changelog}.gz DESTINATION share/doc/tonewright COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES cmake/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME tonewright
        COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS
  "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/"
  "${CMAKE_BINARY_DIR};${PROJECT_NAME};debian;/")
include(CPack)
