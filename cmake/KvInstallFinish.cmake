# Run by `cmake --install` (and by CPack, into its staging tree) after the
# files are in place: the parts of an installed tree that name its final
# paths. CMAKE_INSTALL_PREFIX is the prefix the tree will run from; DESTDIR,
# when set, is the folder it is staged in meanwhile.

set(kv_stage "$ENV{DESTDIR}")
set(kv_lib "${CMAKE_INSTALL_PREFIX}/${KV_INSTALL_LIBDIR}")

# The desktop entry starts the program by its full path, so the menu finds it
# in any prefix, on the PATH or not.
set(KV_WHORLIX_PROGRAM "${CMAKE_INSTALL_PREFIX}/bin/Whorlix")
configure_file("${KV_DESKTOP_TEMPLATE}" "${KV_INSTALL_SCRATCH}/${KV_APP_ID}.desktop" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${KV_INSTALL_SCRATCH}/${KV_APP_ID}.desktop")

# The machine registration of the installed module, made by the installed
# regtool calling the module's own DllRegisterServer, so every user of the
# tree finds the controls without registering anything. In a staged tree the
# registration records the paths the module will have once installed.
set(kv_regtool "${kv_stage}${CMAKE_INSTALL_PREFIX}/bin/regtool")
set(kv_machine_file "${kv_stage}${kv_lib}/machine.reg")
set(kv_root_option "")
if(kv_stage)
  set(kv_root_option --root "${kv_stage}")
endif()
message(STATUS "Registering: ${kv_lib}/KvQmxTmr.ocx in ${kv_machine_file}")
# The tree's own machine file, whatever the caller's environment names.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=KV_MACHINE_REGISTRY_FILE --unset=LD_LIBRARY_PATH
          "${kv_regtool}" register --machine ${kv_root_option} "${kv_stage}${kv_lib}/KvQmxTmr.ocx"
  RESULT_VARIABLE kv_status
  OUTPUT_VARIABLE kv_output
  ERROR_VARIABLE kv_output)
if(NOT kv_status EQUAL 0)
  message(FATAL_ERROR "Registering the installed module failed:\n${kv_output}")
endif()
if(NOT EXISTS "${kv_machine_file}")
  message(FATAL_ERROR "Registering the installed module wrote no ${kv_machine_file}:\n${kv_output}")
endif()
# No one else writes a tree while it is being installed, and the lock file
# would otherwise be left behind when the tree is removed.
file(REMOVE "${kv_machine_file}.lock")
# The manifest names files as they are once installed, without DESTDIR.
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${kv_lib}/machine.reg")

# The list of every file of this installation, itself included, kept in the
# tree: install_manifest.txt in the build folder names only the latest
# install from it, and `cpack` replaces it with the package's own paths. A
# package is removed by its package manager, so a staged tree gets none.
if(NOT kv_stage)
  set(kv_list "${kv_lib}/installed-files.txt")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${kv_list}")
  list(JOIN CMAKE_INSTALL_MANIFEST_FILES "\n" kv_text)
  file(WRITE "${kv_list}" "${kv_text}\n")
  message(STATUS "Listing: ${kv_list}")
endif()
