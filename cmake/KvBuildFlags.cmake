# Hardening and reproducibility, for every build type.
#
# The hardening set is Debian's (dpkg-buildflags with hardening=+all): the
# strong stack protector, _FORTIFY_SOURCE=2, format-string checks, PIE
# executables, read-only relocations bound at start-up; plus the stack-clash
# and control-flow protections newer Debian releases add. The runtime and the
# tools read registry files, modules and type libraries from outside.
#
# _FORTIFY_SOURCE works only in optimised code (glibc warns and does nothing
# at -O0), so a Debug build goes without it; so do the sanitizer builds,
# whose own checks replace the fortified functions' and which fortification
# would hide. Everything else holds in them too.

include(CheckCXXCompilerFlag)
include(CheckPIESupported)
check_pie_supported()

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
foreach(kv_flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "KV_HAS${kv_flag}" kv_var)
  check_cxx_compiler_flag(${kv_flag} ${kv_var})
  if(${kv_var})
    add_compile_options(${kv_flag})
  endif()
endforeach()
if(NOT KV_SANITIZE AND NOT KV_FUZZ)
  add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)

# Reproducible: the same sources give the same files, wherever the tree lies
# and whenever it was checked out. SOURCE_DATE_EPOCH is the one time anything
# records: the caller's, else the last commit's, else a fixed one (a tree
# unpacked from an archive).
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(KV_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${PROJECT_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE KV_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE kv_git_status ERROR_QUIET)
  if(NOT kv_git_status EQUAL 0 OR NOT KV_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(KV_SOURCE_DATE_EPOCH 1796729282)  # the 1.0.0 release
  endif()
endif()
if(NOT KV_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: ${KV_SOURCE_DATE_EPOCH}")
endif()
# Paths in debug information and __FILE__ name the tree, not where it lies.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)

# Qt's resource compiler records each file's modification time (the
# checkout's) unless SOURCE_DATE_EPOCH is set when it runs: every use of it,
# qt_add_resources and AUTORCC alike, goes through this wrapper.
get_target_property(kv_rcc Qt6::rcc LOCATION)
set(kv_rcc_wrapper "${PROJECT_BINARY_DIR}/kv-rcc")
file(CONFIGURE OUTPUT "${kv_rcc_wrapper}.in" CONTENT "#!/bin/sh
SOURCE_DATE_EPOCH=@KV_SOURCE_DATE_EPOCH@ exec '@kv_rcc@' \"$@\"
" @ONLY)
file(COPY_FILE "${kv_rcc_wrapper}.in" "${kv_rcc_wrapper}" ONLY_IF_DIFFERENT)
file(CHMOD "${kv_rcc_wrapper}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
           WORLD_READ WORLD_EXECUTE)
get_target_property(kv_rcc_configs Qt6::rcc IMPORTED_CONFIGURATIONS)
set_target_properties(Qt6::rcc PROPERTIES IMPORTED_LOCATION "${kv_rcc_wrapper}")
foreach(kv_config IN LISTS kv_rcc_configs)
  set_target_properties(Qt6::rcc PROPERTIES IMPORTED_LOCATION_${kv_config} "${kv_rcc_wrapper}")
endforeach()
