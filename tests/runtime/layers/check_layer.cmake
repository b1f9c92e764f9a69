# cmake -DLAYER=<layer> -DSOURCE_DIR=<project> -DBINARY_DIR=<build> -DPROBE_DIR=<dir> -P check_layer.cmake
#
# Compiles, with exactly the flags the build gives the sources of LAYER (taken
# from compile_commands.json), one file per other layer that includes one of
# that layer's headers. The include must compile when the other layer lies
# beneath LAYER and fail ("No such file or directory") when it does not: a
# layer sees only the headers of the layers it links.

cmake_minimum_required(VERSION 3.25)

# The layers as they are meant to stack: what each may include besides itself.
set(beneath_platform "")
set(beneath_automation platform)
set(beneath_registry automation platform)
set(beneath_formats automation platform)
set(beneath_forms automation platform)
set(beneath_kernel32 platform)
set(beneath_winmm kernel32 platform)
set(beneath_com forms registry formats automation platform)
set(beneath_host com forms registry formats automation platform)

# One header of each layer, included on its own.
set(header_platform runtime/platform/error.h)
set(header_automation runtime/automation/variant.h)
set(header_registry runtime/registry/registry.h)
set(header_formats runtime/formats/type_description.h)
set(header_forms runtime/forms/units.h)
set(header_kernel32 runtime/kernel32/kernel32.h)
set(header_winmm runtime/winmm/mmsystem.h)
set(header_com runtime/com/interfaces.h)
set(header_host runtime/host/control.h)
set(layers platform automation registry formats forms kernel32 winmm com host)

if(NOT LAYER IN_LIST layers)
  message(FATAL_ERROR "Unknown layer '${LAYER}'; the layers are: ${layers}")
endif()

# The compile command of one of the layer's own sources.
file(READ ${BINARY_DIR}/compile_commands.json database)
string(JSON count LENGTH "${database}")
math(EXPR last "${count} - 1")
set(command "")
foreach(i RANGE ${last})
  string(JSON file GET "${database}" ${i} file)
  if(file MATCHES "^${SOURCE_DIR}/runtime/${LAYER}/[^/]+\\.cpp$")
    string(JSON command GET "${database}" ${i} command)
    string(JSON directory GET "${database}" ${i} directory)
    break()
  endif()
endforeach()
if(command STREQUAL "")
  message(FATAL_ERROR "No source of runtime/${LAYER} in ${BINARY_DIR}/compile_commands.json")
endif()

# The same command, checking syntax only, without its source and outputs.
separate_arguments(words UNIX_COMMAND "${command}")
set(flags "")
set(skip_next FALSE)
foreach(word IN LISTS words)
  if(skip_next)
    set(skip_next FALSE)
  elseif(word MATCHES "^-(o|c|MF|MT|MQ)$")
    set(skip_next TRUE)
  elseif(NOT word STREQUAL file)
    list(APPEND flags "${word}")
  endif()
endforeach()

file(MAKE_DIRECTORY ${PROBE_DIR})
set(faults "")
foreach(other IN LISTS layers)
  if(other STREQUAL LAYER)
    continue()
  endif()
  set(header ${header_${other}})
  set(probe ${PROBE_DIR}/${LAYER}_includes_${other}.cpp)
  file(WRITE ${probe} "#include \"${header}\"\n")
  execute_process(COMMAND ${flags} -fsyntax-only ${probe}
    WORKING_DIRECTORY ${directory} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(other IN_LIST beneath_${LAYER})
    if(NOT rc EQUAL 0)
      string(APPEND faults "${LAYER} cannot include ${header} of the layer beneath it:\n${out}\n")
    endif()
  elseif(rc EQUAL 0)
    string(APPEND faults "${LAYER} can include ${header}, but ${other} is not beneath it\n")
  elseif(NOT out MATCHES "${header}: No such file or directory")
    string(APPEND faults "${LAYER} including ${header} failed for another reason than a missing header:\n${out}\n")
  endif()
endforeach()
if(NOT faults STREQUAL "")
  message(FATAL_ERROR "${faults}")
endif()
list(JOIN beneath_${LAYER} ", " seen)
message(STATUS "runtime/${LAYER} sees exactly the layers beneath it: ${seen}")
