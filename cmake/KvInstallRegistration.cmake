# Run by `cmake --install` (also into a package's staging tree) once the
# runtime component's files are in place: the tree's own machine
# registration of its module, machine.reg, made by regtool calling the
# module's own DllRegisterServer, so every user of the tree finds the
# controls without registering anything. In a staged tree (DESTDIR) the
# registration records the paths the module will have once installed.
#
# The file belongs to the tree (and to the package): it is written afresh by
# every install and read, never written, by `kvqmxtmr-regtool --machine`,
# whose registrations go to machine.local.reg in the tree's configuration
# folder (P/etc/kvqmxtmr, /etc/kvqmxtmr for /usr).

set(kv_stage "$ENV{DESTDIR}")
set(kv_lib "${CMAKE_INSTALL_PREFIX}/${KV_INSTALL_MODULEDIR}")
set(kv_machine_file "${kv_stage}${kv_lib}/machine.reg")
set(kv_root_option "")
if(kv_stage)
  set(kv_root_option --root "${kv_stage}")
endif()
message(STATUS "Registering: ${kv_lib}/KvQmxTmr.ocx in ${kv_machine_file}")
file(REMOVE "${kv_machine_file}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "KV_MACHINE_REGISTRY_FILE=${kv_machine_file}" --unset=LD_LIBRARY_PATH
          "${KV_REGTOOL}" register --machine ${kv_root_option} "${kv_stage}${kv_lib}/KvQmxTmr.ocx"
  RESULT_VARIABLE kv_status
  OUTPUT_VARIABLE kv_output
  ERROR_VARIABLE kv_output)
if(NOT kv_status EQUAL 0)
  message(FATAL_ERROR "Registering the installed module failed:\n${kv_output}")
endif()
if(NOT EXISTS "${kv_machine_file}")
  message(FATAL_ERROR "Registering the installed module wrote no ${kv_machine_file}:\n${kv_output}")
endif()
# The manifest names files as they are once installed, without DESTDIR.
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${kv_lib}/machine.reg")
