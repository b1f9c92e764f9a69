# The Debian packages: `cpack` in a build folder (after building) writes one
# package per install component there (KvInstall.cmake):
#   whorlix_<version>_<arch>.deb          the program (section sound)
#   libkvqmxtmr1_<version>_<arch>.deb     the runtime: the library, the module
#                                         and its machine registration
#   libkvqmxtmr-dev_<version>_<arch>.deb  regtool, inspect_module and what a
#                                         host builds against
# CPack installs each component into a staging folder with prefix /usr; the
# runtime's carries the machine registration of /usr/lib/kvqmxtmr/KvQmxTmr.ocx
# as a file of its own. No package has maintainer scripts
# (KvPackageFinish.cmake), and every package is bit for bit the same from
# the same sources.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME whorlix)
set(CPACK_PACKAGE_VENDOR Brenvale)
set(CPACK_PACKAGE_CONTACT "Brenvale <whorlix@brenvale.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program runtime development)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE whorlix)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends come from the libraries the binaries link (dpkg-shlibdeps), and
# between the packages from the lines below: the runtime library lies in
# the private folder /usr/lib/kvqmxtmr, which only the build folder shows
# dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(kv_runtime_exactly "${KV_PACKAGE_runtime} (= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME ${KV_PACKAGE_program})
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "${kv_runtime_exactly}")
# Without a sound server the program runs, but shows no level; without Qt's
# Wayland plugin it runs on a Wayland session through Xwayland.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "pipewire-pulse | pulseaudio, qt6-wayland")
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
    "sound level display with the KvQmxTmr VU meter and fast timer\n"
    "Whorlix fills the screen with the live level of the sound output: rings\n"
    "pulsing round a sphere, an eleven-segment VU meter or a bar graph.\n"
    "It hosts the VU meter and fast timer controls of the KvQmxTmr module.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${KV_PACKAGE_runtime})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "KvQmxTmr VU meter and fast timer controls - runtime\n"
    "KvQmxTmr is a module of two controls a Qt 6 program places on its\n"
    "windows and drives through their automation properties: KvDispVU, a VU\n"
    "meter reading the sound output's peak level, and KvQmxFasTmr, a fast\n"
    "re-entrant timer.\n"
    "\n"
    "This package holds the module, registered for every user of the machine,\n"
    "and the platform runtime library it and its hosts use.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${KV_PACKAGE_development})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${kv_runtime_exactly}, qt6-base-dev")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "KvQmxTmr VU meter and fast timer controls - development files\n"
    "KvQmxTmr is a module of two controls a Qt 6 program places on its\n"
    "windows and drives through their automation properties: KvDispVU, a VU\n"
    "meter reading the sound output's peak level, and KvQmxFasTmr, a fast\n"
    "re-entrant timer.\n"
    "\n"
    "This package holds what a host program is built against, and the tools\n"
    "regtool (registers component modules) and inspect_module (prints a\n"
    "module's type library, resources and version record).")

foreach(kv_component PROGRAM RUNTIME DEVELOPMENT)
  string(JOIN "" CPACK_COMPONENT_${kv_component}_DESCRIPTION ${CPACK_COMPONENT_${kv_component}_DESCRIPTION})
endforeach()

set(CPACK_KV_SOURCE_DATE_EPOCH ${KV_SOURCE_DATE_EPOCH})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/KvPackageFinish.cmake)

include(CPack)
