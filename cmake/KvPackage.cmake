# The Debian package: `cpack -G DEB` in a build folder (after building) writes
# whorlix_<version>_<arch>.deb there. CPack installs the tree into a staging
# folder with prefix /usr and the install rules of KvInstall.cmake, so the
# package carries the machine registration of /usr/lib/kvqmxtmr/KvQmxTmr.ocx
# as a file of its own; it has no maintainer scripts
# (KvPackageWithoutScripts.cmake) and writes nothing when it is installed.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME whorlix)
set(CPACK_PACKAGE_VENDOR Brenvale)
set(CPACK_PACKAGE_CONTACT "Brenvale <whorlix@brenvale.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound level demo with the KvQmxTmr VU meter and fast timer controls")
set(CPACK_PACKAGE_DESCRIPTION
    "Whorlix fills the screen with the live level of the sound output: rings\n"
    "pulsing round a sphere, an eleven-segment VU meter or a bar graph.\n"
    "\n"
    "The package also holds the KvQmxTmr control module it hosts, registered\n"
    "for every user of the machine, the platform runtime both use, and the\n"
    "tools regtool and inspect_module.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# Depends come from the libraries the binaries link (dpkg-shlibdeps, which
# follows their RUNPATH to the runtime library in the package itself).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a sound server the program runs, but shows no level.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pipewire-pulse | pulseaudio")
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/KvPackageWithoutScripts.cmake)

include(CPack)
