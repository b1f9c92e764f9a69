# What `cmake --install BUILD --prefix P` puts where:
#   P/bin/                      Whorlix, regtool, inspect_module
#   P/lib/kvqmxtmr/             libdesktop_runtime.so, KvQmxTmr.ocx, the tree's
#                               machine registry machine.reg and the list of its
#                               files installed-files.txt (both made at install time)
#   P/share/applications/       the desktop entry
#   P/share/icons/hicolor/      the icon at 32 x 32 and 256 x 256
#   P/share/metainfo/           the AppStream description
# Programs find the library through a RUNPATH relative to themselves, so the
# tree runs from whatever P it was installed to.

set(KV_APP_ID com.brenvale.Whorlix)

set_target_properties(Whorlix regtool inspect_module PROPERTIES INSTALL_RPATH "$ORIGIN/../${KV_INSTALL_LIBDIR}")
# The module and the runtime library lie side by side.
set_target_properties(KvQmxTmr desktop_runtime PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS Whorlix regtool inspect_module RUNTIME DESTINATION bin)
install(TARGETS desktop_runtime KvQmxTmr LIBRARY DESTINATION ${KV_INSTALL_LIBDIR})

install(FILES ${PROJECT_SOURCE_DIR}/assets/whorlix_icon.png
        DESTINATION share/icons/hicolor/32x32/apps RENAME ${KV_APP_ID}.png)
install(FILES ${PROJECT_SOURCE_DIR}/assets/whorlix_icon_256.png
        DESTINATION share/icons/hicolor/256x256/apps RENAME ${KV_APP_ID}.png)
install(FILES ${PROJECT_SOURCE_DIR}/demo/desktop/${KV_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The steps that need the prefix the tree is installed to, which is known
# only now (`--prefix`, and DESTDIR for a staged tree such as a package's):
# they run last, once the files above are in place.
install(CODE "
  set(KV_APP_ID \"${KV_APP_ID}\")
  set(KV_INSTALL_LIBDIR \"${KV_INSTALL_LIBDIR}\")
  set(KV_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/demo/desktop/${KV_APP_ID}.desktop.in\")
  set(KV_INSTALL_SCRATCH \"${CMAKE_BINARY_DIR}/install-scratch\")
")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/KvInstallFinish.cmake)
