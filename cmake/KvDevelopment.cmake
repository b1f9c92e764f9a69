# What a host program builds against, under the install prefix P:
#   P/include/kvqmxtmr/                 the host API: control.h, control_widget.h, dialfen.h,
#                                       forms.h, the typed classes dialfen_widgets.h and
#                                       kvqmxtmr_version.h (both written by the build)
#   P/lib/<multiarch>/libkvqmxtmr_dialfen.a, P/lib/<multiarch>/kvqmxtmr/kvqmxtmr-genclasses
#                                       the typed classes' code; the generator, a build tool
#   P/share/doc/libkvqmxtmr-dev/        the guide hosting.md and the examples
#   P/include/kvqmxtmr/kit/runtime/...  the kit-form headers forms.h reaches
#   P/lib/cmake/KvQmxTmr/               KvQmxTmrConfig.cmake and its version file
#   P/lib/<multiarch>/pkgconfig/kvqmxtmr.pc
#   P/lib/<multiarch>/libkvqmxtmr.so    the link to the runtime library (KvInstall.cmake)
# Neither gives a host a RUNPATH: from the packages the library lies where
# the loader looks.

# Every installed header, and no other. runtime/host/ lands in
# include/kvqmxtmr/; the rest keeps its path below include/kvqmxtmr/kit/, where
# the includes between them resolve as they do in the source tree. None of
# them may include a header missing from this list (the examples test builds
# against the installed set alone).
set(KV_PUBLIC_HEADERS
  runtime/host/control.h
  runtime/host/control_widget.h
  runtime/host/dialfen.h
  runtime/host/forms.h
  runtime/host/toolbox_picture.h
  runtime/forms/application.h
  runtime/forms/child_window.h
  runtime/forms/color.h
  runtime/forms/container.h
  runtime/forms/element.h
  runtime/forms/elements.h
  runtime/forms/form.h
  runtime/forms/image.h
  runtime/forms/label.h
  runtime/forms/line.h
  runtime/forms/menu.h
  runtime/forms/shape.h
  runtime/forms/timer.h
  runtime/forms/twips_box.h
  # The export mark every header above carries.
  runtime/platform/export.h
  # The interfaces Container and Form implement for their own windows.
  runtime/forms/detail/form_window_owner.h
  runtime/forms/detail/surface_owner.h)

foreach(header IN LISTS KV_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  if(folder STREQUAL "runtime/host")
    set(destination include/kvqmxtmr)
  else()
    set(destination include/kvqmxtmr/kit/${folder})
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${destination} COMPONENT development)
endforeach()

# Written by the build: the version header, and the typed classes of the
# kit's own controls with their code, a static library of position-
# independent code (thin accessors over the shared runtime). The generator
# is a tool of the build, so it lies in the kit's private folder, not on
# PATH; hosts reach it through the CMake package.
install(FILES ${CMAKE_BINARY_DIR}/include-roots/kvqmxtmr-version/kvqmxtmr/kvqmxtmr_version.h
              ${CMAKE_BINARY_DIR}/controls/widgets/kvqmxtmr_dialfen_classes/kvqmxtmr/dialfen_widgets.h
        DESTINATION include/kvqmxtmr COMPONENT development)
install(TARGETS kvqmxtmr_dialfen ARCHIVE DESTINATION ${KV_INSTALL_LIBDIR} COMPONENT development)
if(KV_INSTALL_RPATH)
  set_target_properties(kvqmxtmr-genclasses PROPERTIES INSTALL_RPATH "$ORIGIN/..")
endif()
install(TARGETS kvqmxtmr-genclasses RUNTIME DESTINATION ${KV_INSTALL_MODULEDIR} COMPONENT development)

include(CMakePackageConfigHelpers)
set(KV_RUNTIME_FILE_NAME libkvqmxtmr.so.${PROJECT_VERSION})
set(KV_RUNTIME_SONAME libkvqmxtmr.so.1)
configure_file(${CMAKE_CURRENT_LIST_DIR}/KvQmxTmrConfig.cmake.in
               ${CMAKE_BINARY_DIR}/development/KvQmxTmrConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/development/KvQmxTmrConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
# The .pc file describes an architecture's library, so it goes where Debian's
# pkg-config (a cross one too) looks for that architecture's files.
set(KV_PKGCONFIG_DIR ${KV_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH KV_PKGCONFIG_TO_PREFIX /prefix/${KV_PKGCONFIG_DIR} /prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kvqmxtmr.pc.in ${CMAKE_BINARY_DIR}/development/kvqmxtmr.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/development/KvQmxTmrConfig.cmake
              ${CMAKE_BINARY_DIR}/development/KvQmxTmrConfigVersion.cmake
              ${CMAKE_CURRENT_LIST_DIR}/KvQmxTmrGenerateClasses.cmake
        DESTINATION lib/cmake/KvQmxTmr COMPONENT development)
install(FILES ${CMAKE_BINARY_DIR}/development/kvqmxtmr.pc DESTINATION ${KV_PKGCONFIG_DIR} COMPONENT development)
