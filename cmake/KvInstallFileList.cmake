# Run last by `cmake --install`: the list of every file of this installation,
# itself included, kept in the tree as lib/<multiarch>/kvqmxtmr/installed-files.txt for
# removing it. install_manifest.txt in the build folder names only the latest
# install from it. A
# package is removed by its package manager, so a staged tree gets none.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
set(kv_list "${CMAKE_INSTALL_PREFIX}/${KV_INSTALL_MODULEDIR}/installed-files.txt")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${kv_list}")
list(JOIN CMAKE_INSTALL_MANIFEST_FILES "\n" kv_text)
file(WRITE "${kv_list}" "${kv_text}\n")
message(STATUS "Listing: ${kv_list}")
