# kvqmxtmr_generate_classes(<target> <library> [HEADER <include name>])
#
# Runs kvqmxtmr-genclasses on <library> (a control module such as
# KvQmxTmr.ocx, or a .tlb file) at build time and adds the typed widget
# classes it writes to <target>: one QWidget per control class of the type
# library, in a namespace named after the library. The header is included
# as <include name> (default: <library's file name, lower case>_widgets.h),
# found through <target>'s include path; <target> links KvQmxTmr::KvQmxTmr.
#
#   find_package(KvQmxTmr 1.0 REQUIRED)
#   kvqmxtmr_generate_classes(my_host /path/to/Other.ocx)   # #include <other_widgets.h>
#
# The kit's own controls come ready made as KvQmxTmr::Dialfen
# (#include <kvqmxtmr/dialfen_widgets.h>).
function(kvqmxtmr_generate_classes target library)
  cmake_parse_arguments(ARG "" "HEADER" "" ${ARGN})
  get_filename_component(stem "${library}" NAME_WE)
  string(TOLOWER "${stem}" stem)
  if(ARG_HEADER)
    set(include_name "${ARG_HEADER}")
  else()
    set(include_name "${stem}_widgets.h")
  endif()
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}_classes")
  get_filename_component(header_dir "${dir}/${include_name}" DIRECTORY)
  get_filename_component(source_name "${include_name}" NAME_WE)
  set(header "${dir}/${include_name}")
  set(source "${dir}/${source_name}.cpp")
  add_custom_command(OUTPUT "${header}" "${source}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${header_dir}"
    COMMAND KvQmxTmr::genclasses "${library}" --header "${header}" --source "${source}" --include "${include_name}"
    DEPENDS "${library}" KvQmxTmr::genclasses
    COMMENT "Writing the typed classes of ${library}"
    VERBATIM)
  target_sources(${target} PRIVATE "${header}" "${source}")
  target_include_directories(${target} PUBLIC "$<BUILD_INTERFACE:${dir}>")
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_link_libraries(${target} PUBLIC KvQmxTmr::KvQmxTmr)
endfunction()
