# Resources carried by modules. A module file holds a 32-bit resource file
# (.res) in an ELF section ".rsrc" that is neither loaded nor allocated; the
# runtime's FindResource / LoadResource read it from the file.
#
# kv_resource_file(<name> MODE module|demo OUTPUT <file.res>)
#   Generates <file.res> at build time with tools/make_resources (the control
#   module's resources, or the demo program's) and adds the custom target
#   <name> that produces it.
#
# kv_embed_resources(TARGET <target> RES <file.res> [DEPENDS <targets>...])
#   Attaches <file.res> to <target>'s file after every link. DEPENDS names the
#   targets that generate the file (e.g. the <name> of kv_resource_file); a
#   change of the file relinks <target>, so the embedded copy never goes stale.

function(kv_resource_file name)
  cmake_parse_arguments(ARG "" "MODE;OUTPUT" "" ${ARGN})
  if(NOT ARG_MODE MATCHES "^(module|demo)$" OR NOT ARG_OUTPUT)
    message(FATAL_ERROR "kv_resource_file(${name} MODE module|demo OUTPUT file)")
  endif()
  set(args ${ARG_MODE} ${ARG_OUTPUT})
  set(inputs make_resources)
  if(ARG_MODE STREQUAL "module")
    list(APPEND args ${PROJECT_SOURCE_DIR}/assets)
    list(APPEND inputs ${PROJECT_SOURCE_DIR}/assets/toolbox_fasttimer.bmp ${PROJECT_SOURCE_DIR}/assets/toolbox_meter.bmp)
  endif()
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND make_resources ${args}
    DEPENDS ${inputs}
    COMMENT "Writing resources ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${name} DEPENDS ${ARG_OUTPUT})
endfunction()

function(kv_embed_resources)
  cmake_parse_arguments(ARG "" "TARGET;RES" "DEPENDS" ${ARGN})
  if(NOT ARG_TARGET OR NOT ARG_RES)
    message(FATAL_ERROR "kv_embed_resources(TARGET target RES file [DEPENDS targets...])")
  endif()
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "kv_embed_resources needs objcopy (binutils)")
  endif()
  if(ARG_DEPENDS)
    add_dependencies(${ARG_TARGET} ${ARG_DEPENDS})
  endif()
  set_property(TARGET ${ARG_TARGET} APPEND PROPERTY LINK_DEPENDS ${ARG_RES})
  # Removing first keeps the step repeatable on a file that already has the section.
  add_custom_command(TARGET ${ARG_TARGET} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --remove-section=.rsrc --add-section .rsrc=${ARG_RES}
            --set-section-flags .rsrc=noload,readonly $<TARGET_FILE:${ARG_TARGET}>
    COMMENT "Embedding resources in $<TARGET_FILE_NAME:${ARG_TARGET}>"
    VERBATIM)
endfunction()
