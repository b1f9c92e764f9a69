# What `cmake --install BUILD --prefix P` puts where (the install folders
# are GNUInstallDirs', with the library folder lib/<multiarch> for every P),
# and in which component (one Debian package each, see debian/):
#   program      P/bin/Whorlix, its desktop entry, icons (16 to 256 px),
#                AppStream data and manual page                    (whorlix)
#   runtime      P/lib/<multiarch>/libkvqmxtmr.so.1*, and in its private
#                folder P/lib/<multiarch>/kvqmxtmr/ KvQmxTmr.ocx and the
#                tree's own machine registration machine.reg (made at
#                install time)                                     (libkvqmxtmr1)
#   tools        P/bin/kvqmxtmr-regtool, P/bin/kvqmxtmr-inspect and their
#                manual pages                                      (kvqmxtmr-tools)
#   development  the libkvqmxtmr.so link a host links against, the headers,
#                the CMake package and the pkg-config file
#                (KvDevelopment.cmake), the guide and examples in
#                P/share/doc/libkvqmxtmr-dev/                      (libkvqmxtmr-dev)
# Each component also installs P/share/doc/<its package>/ (copyright,
# changelog.gz); the packages take theirs from debian/ instead. A full
# install of a prefix also writes P/lib/<multiarch>/kvqmxtmr/installed-files.txt,
# the list of every file it wrote. What an administrator registers goes to
# P/etc/kvqmxtmr (/etc/kvqmxtmr for /usr), written by kvqmxtmr-regtool, never
# by an install. With KV_INSTALL_RPATH (the default) programs find the
# library through a RUNPATH relative to themselves, so the tree runs from
# whatever P it was installed to; the packages, whose library lies in the
# system's folder, are built without.

set(KV_APP_ID com.brenvale.Whorlix)
# The Debian package of each component; their doc folders are named after them.
set(KV_PACKAGE_program whorlix)
set(KV_PACKAGE_runtime libkvqmxtmr1)
set(KV_PACKAGE_tools kvqmxtmr-tools)
set(KV_PACKAGE_development libkvqmxtmr-dev)

if(KV_INSTALL_RPATH)
  file(RELATIVE_PATH kv_bin_to_lib /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${KV_INSTALL_LIBDIR})
  set_target_properties(Whorlix regtool inspect_module PROPERTIES INSTALL_RPATH "$ORIGIN/${kv_bin_to_lib}")
  # The module lies one folder beneath the runtime library.
  set_target_properties(KvQmxTmr PROPERTIES INSTALL_RPATH "$ORIGIN/..")
endif()
# What --version prints is the project's version.
target_compile_definitions(Whorlix PRIVATE KV_VERSION="${PROJECT_VERSION}")
target_compile_definitions(regtool PRIVATE KV_VERSION="${PROJECT_VERSION}")
target_compile_definitions(inspect_module PRIVATE KV_VERSION="${PROJECT_VERSION}")

install(TARGETS Whorlix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(TARGETS regtool inspect_module RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(TARGETS desktop_runtime LIBRARY DESTINATION ${KV_INSTALL_LIBDIR} COMPONENT runtime
        NAMELINK_COMPONENT development)
install(TARGETS KvQmxTmr LIBRARY DESTINATION ${KV_INSTALL_MODULEDIR} COMPONENT runtime)

foreach(kv_size 16 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/app_icon_${kv_size}.png
          DESTINATION share/icons/hicolor/${kv_size}x${kv_size}/apps RENAME ${KV_APP_ID}.png COMPONENT program)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/demo/desktop/${KV_APP_ID}.metainfo.xml DESTINATION share/metainfo
        COMPONENT program)

# Manual pages and changelogs compressed without a name or time (gzip -n),
# so every build gives the same bytes.
set(kv_doc ${CMAKE_BINARY_DIR}/doc)
set(kv_compressed "")
foreach(kv_source docs/man/Whorlix.1 docs/man/kvqmxtmr-regtool.1 docs/man/kvqmxtmr-inspect.1 docs/changelog)
  get_filename_component(kv_name ${kv_source} NAME)
  add_custom_command(OUTPUT ${kv_doc}/${kv_name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${kv_doc}
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" gzip ${PROJECT_SOURCE_DIR}/${kv_source} ${kv_doc}/${kv_name}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/${kv_source}
    COMMENT "Compressing ${kv_source}"
    VERBATIM)
  list(APPEND kv_compressed ${kv_doc}/${kv_name}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${kv_compressed})
install(FILES ${kv_doc}/Whorlix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
install(FILES ${kv_doc}/kvqmxtmr-regtool.1.gz ${kv_doc}/kvqmxtmr-inspect.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT tools)

# The machine-readable copyright file (DEP-5) from LICENSE, one line of
# licence text per line, blank lines as " .".
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE kv_license_lines)
list(REMOVE_AT kv_license_lines 0 1 2)  # the title and the copyright line
set(kv_copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: KvQmxTmr and Whorlix

Files: *
Copyright: 2026 the KvQmxTmr and Whorlix authors
License: Expat
Comment: the MIT licence, as in LICENSE

License: Expat
")
foreach(kv_line IN LISTS kv_license_lines)
  if(kv_line STREQUAL "")
    string(APPEND kv_copyright " .\n")
  else()
    string(APPEND kv_copyright " ${kv_line}\n")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${kv_doc}/copyright CONTENT "${kv_copyright}")
foreach(kv_component program runtime tools development)
  install(FILES ${kv_doc}/copyright ${kv_doc}/changelog.gz DESTINATION share/doc/${KV_PACKAGE_${kv_component}}
          COMPONENT ${kv_component})
endforeach()
# The host developer's guide and the example hosts go with the development
# files.
install(FILES ${PROJECT_SOURCE_DIR}/docs/hosting.md DESTINATION share/doc/${KV_PACKAGE_development}
        COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION share/doc/${KV_PACKAGE_development}/examples
        COMPONENT development)

# The steps that need the prefix the tree is installed to, which is known
# only now (`--prefix`, and DESTDIR for a staged tree such as a package's):
# they run last, once the files above are in place. The registration runs
# the build's own regtool, which is there whichever components are installed.
install(CODE "
  set(KV_APP_ID \"${KV_APP_ID}\")
  set(KV_INSTALL_MODULEDIR \"${KV_INSTALL_MODULEDIR}\")
  set(KV_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/demo/desktop/${KV_APP_ID}.desktop.in\")
  set(KV_INSTALL_SCRATCH \"${CMAKE_BINARY_DIR}/install-scratch\")
  set(KV_REGTOOL \"$<TARGET_FILE:regtool>\")
" ALL_COMPONENTS)
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/KvInstallDesktopEntry.cmake COMPONENT program)
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/KvInstallRegistration.cmake COMPONENT runtime)
# Deferred to the end of the project, so the list also names what rules
# declared after this file install (the path is spelled out now: a deferred
# call's arguments are expanded when it runs).
cmake_language(EVAL CODE "
  cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]]
                 CALL install SCRIPT [[${CMAKE_CURRENT_LIST_DIR}/KvInstallFileList.cmake]] ALL_COMPONENTS)")
