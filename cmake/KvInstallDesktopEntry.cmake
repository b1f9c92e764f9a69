# Run by `cmake --install` (also into a package's staging tree) once the
# program component's files are in place. CMAKE_INSTALL_PREFIX is the prefix
# the tree will run from; DESTDIR, when set, is where it is staged meanwhile.
#
# The desktop entry starts the program by its full path, so the menu finds it
# in any prefix, on the PATH or not.
set(KV_WHORLIX_PROGRAM "${CMAKE_INSTALL_PREFIX}/bin/Whorlix")
configure_file("${KV_DESKTOP_TEMPLATE}" "${KV_INSTALL_SCRATCH}/${KV_APP_ID}.desktop" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${KV_INSTALL_SCRATCH}/${KV_APP_ID}.desktop")
