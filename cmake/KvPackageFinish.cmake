# Run by CPack once the packages are built (CPACK_POST_BUILD_SCRIPTS); each
# is rebuilt with dpkg-deb so that:
# - it has no maintainer scripts. CPack adds scripts that call ldconfig to
#   any package with a shared library in or one folder below /usr/lib, and
#   offers no switch against it. Ours are private to /usr/lib/kvqmxtmr,
#   found through RUNPATH, so ldconfig has nothing to do for them; installing
#   a package writes nothing outside its own files.
# - it is reproducible: every file carries the time SOURCE_DATE_EPOCH (the
#   last commit's, see KvBuildFlags.cmake), as do the archive's members.

set(ENV{SOURCE_DATE_EPOCH} "${CPACK_KV_SOURCE_DATE_EPOCH}")
foreach(kv_deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT kv_deb MATCHES "\\.deb$")
    continue()
  endif()
  set(kv_tree "${kv_deb}.tree")
  file(REMOVE_RECURSE "${kv_tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${kv_deb}" "${kv_tree}" COMMAND_ERROR_IS_FATAL ANY)
  foreach(kv_script postinst postrm)
    if(NOT EXISTS "${kv_tree}/DEBIAN/${kv_script}")
      continue()
    endif()
    file(READ "${kv_tree}/DEBIAN/${kv_script}" kv_text)
    # Only the scripts CPack writes are dropped: any other would be ours.
    string(REGEX REPLACE "[ \t\n]+" " " kv_text "${kv_text}")
    if(NOT kv_text MATCHES "^#!/bin/sh set -e if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then ldconfig fi $")
      message(FATAL_ERROR "${kv_deb}: ${kv_script} does more than call ldconfig:\n${kv_text}")
    endif()
    file(REMOVE "${kv_tree}/DEBIAN/${kv_script}")
  endforeach()
  # Folders and links too (touch -h), whatever the checkout's or the build's times.
  execute_process(COMMAND find "${kv_tree}" -exec touch -h -d "@${CPACK_KV_SOURCE_DATE_EPOCH}" {} +
                  COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build "${kv_tree}" "${kv_deb}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${kv_tree}")
endforeach()
