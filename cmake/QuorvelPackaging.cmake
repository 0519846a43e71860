# The Debian package, built with `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME "quorvel")
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_CONTACT "The Quorvel developers <developers@quorvel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "code names as web addresses identified by geometric figures")
# Lines of the long description stay within 80 columns (Debian's description rules).
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel corrects a name to the rules of a domain name while it is typed and
shows it under five addresses: the plain .com address and one address for
each of four classes of geometric figure. Addresses open in the web browser;
names are kept with their figure in a favourites database, found again by
name or by figure, and shown and printed in a register. The interface speaks
Spanish and English; the command-line coder quorvel-code codes lists of names,
and quorvel-favourites lists, exports and imports the favourites as CSV or JSON.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUORVEL_HOME_PAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs find their private shared libraries, which the package itself brings, through their run path
# ($ORIGIN/../lib/<arch>/quorvel), which dpkg-shlibdeps follows.
# What the run-time needs that library detection cannot see: GIO (opened when the browser is first looked
# up, not linked), the desktop's default browser look-up and xdg-open, the MIME database that maps .htm to
# text/html, a font with Arial's metrics, the SVG icon and image plugins of Qt (the program loads them, it does
# not link them), Qt's own translations for the standard dialogs and buttons of the Spanish edition, debconf
# for the language question, and the certificate authorities that HTTPS to the registries' RDAP servers is
# checked against (libqt6network6, found by the library detection, brings OpenSSL but not the certificates);
# mdbtools' library, which the Access reader links, is named as well so the dependency never slips.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "xdg-utils, shared-mime-info, fonts-liberation2 | fonts-liberation, libqt6svg6, qt6-translations-l10n, libglib2.0-0, ca-certificates, libmdb3, debconf (>= 0.5) | debconf-2.0")
# Qt's Wayland platform plugin: in a Wayland session the windows are native Wayland clients.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(debian_dir ${CMAKE_SOURCE_DIR}/packaging/debian)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${debian_dir}/config ${debian_dir}/templates ${debian_dir}/postinst ${debian_dir}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Copyright and a compressed changelog where Debian expects them. The version has no Debian revision, so
# this is a native package and its changelog is changelog.gz.
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvel)
install(FILES ${debian_dir}/copyright DESTINATION ${doc_dir})
set(changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND gzip -n -9 -c ${debian_dir}/changelog > ${changelog_gz}
    DEPENDS ${debian_dir}/changelog)

# Manual pages of the programs, compressed the same way.
set(man_pages)
foreach(page quorvel.1 quorvel-code.1 quorvel-favourites.1)
    set(man_gz ${CMAKE_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${man_gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/packaging/man/${page} > ${man_gz}
        DEPENDS ${CMAKE_SOURCE_DIR}/packaging/man/${page})
    list(APPEND man_pages ${man_gz})
endforeach()
add_custom_target(quorvel-package-docs ALL DEPENDS ${changelog_gz} ${man_pages})
install(FILES ${changelog_gz} DESTINATION ${doc_dir})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

include(CPack)
