# kv_add_gtest(<name> LABEL <area> SOURCES <files...> [LIBS <targets...>] [ENV <VAR=VALUE...>])
# One GoogleTest program; every case becomes a CTest test carrying the area label.
# Tests run headless on Qt's offscreen platform unless ENV overrides it.
function(kv_add_gtest name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # The environment goes on the command line through `env`: a list given as
  # the ENVIRONMENT property of gtest_discover_tests reaches CTest split into
  # separate properties, and all but its first entry are lost. ENV comes
  # last: `env` keeps the last value of a variable.
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR env
    QT_QPA_PLATFORM=offscreen KV_SOURCE_DIR=${PROJECT_SOURCE_DIR} KV_BINARY_DIR=${CMAKE_BINARY_DIR} ${ARG_ENV})
  include(GoogleTest)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      LABELS "${ARG_LABEL}"
      TIMEOUT 120)
endfunction()
