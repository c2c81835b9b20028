# `cpack` in the build folder makes a Debian package of the installed files,
# with what Debian asks of every package beside them: a maintainer to write
# to, the changelog and the copyright file in the documentation folder, and
# the reason for the one lintian finding that is deliberate.

set(TOPOPLAN_MAINTAINER "topoplan maintainers <maintainers@topoplan.example>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")

# The changelog's newest entry must be the version being packaged.
file(STRINGS debian/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^topoplan \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "debian/changelog does not begin with version "
                      "${PROJECT_VERSION}: ${newest}")
endif()

# Debian wants the changelog compressed, without a time stamp in the gzip
# header, so that the same source makes the same package.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/debian)
set(changelog ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/debian/changelog > ${changelog}
  DEPENDS debian/changelog
  COMMENT "Compressing the Debian changelog")
add_custom_target(debian_changelog ALL DEPENDS ${changelog})
# A package built from this source alone carries no Debian revision, so the
# changelog goes in as changelog.gz.
install(FILES ${changelog} debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        RENAME topoplan)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME topoplan)
set(CPACK_PACKAGE_CONTACT "${TOPOPLAN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TOPOPLAN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "interactive planner for the routing topology of a campus network")
set(CPACK_PACKAGE_DESCRIPTION
    "A console menu creates or loads a network of devices and latency-weighted\n\
links, prints its latency matrix, finds inspection routes, fastest routes and\n\
cabling plans, and saves the topology as a text file. topoplan-draw draws a\n\
saved topology, with a cabling plan or a route highlighted, as a Graphviz\n\
graph. topoplan-resilience finds a saved topology's single points of failure\n\
and the figures of failure scenarios. topoplan-import turns a GraphML graph\n\
(yEd, Gephi, NetworkX) into a topology file. All text is Chinese.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Installed under DESTDIR with the real prefix, so that the manual pages
# name the paths the package really has.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
# dpkg-shlibdeps finds the libraries the programs link and their versions.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# topoplan-draw -o renders through Graphviz's dot, and Chinese labels need
# a Chinese font (the one tools/install-deps.sh installs).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "graphviz, fonts-wqy-microhei")
include(CPack)
