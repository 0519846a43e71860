# The Debian package, built with `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME "quorvel")
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_CONTACT "The Quorvel developers <developers@quorvel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "code names as web addresses identified by geometric figures")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel corrects a name to the rules of a domain name while it is typed and shows it under five
addresses: the plain .com address and one address for each of four classes of geometric figure. Addresses
open in the web browser; names are kept with their figure in a favourites database, found again by name or
by figure, and shown and printed in a register. Spanish and English interface.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUORVEL_HOME_PAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the run-time needs that library detection cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "xdg-utils, shared-mime-info, fonts-liberation2 | fonts-liberation, libqt6svg6, qt6-qpa-plugins, debconf (>= 0.5) | debconf-2.0")
set(debian_dir ${CMAKE_SOURCE_DIR}/packaging/debian)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${debian_dir}/config ${debian_dir}/templates ${debian_dir}/postinst ${debian_dir}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Copyright and a compressed changelog where Debian expects them.
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvel)
install(FILES ${debian_dir}/copyright DESTINATION ${doc_dir})
set(changelog_gz ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND gzip -n -9 -c ${debian_dir}/changelog > ${changelog_gz}
    DEPENDS ${debian_dir}/changelog)
add_custom_target(quorvel-changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${doc_dir})

include(CPack)
