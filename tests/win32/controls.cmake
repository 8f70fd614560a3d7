# The window, button and transparent label kinds with real windows under Wine. The
# programs carry the launcher's manifest (same common-controls version as
# Vantor.exe) and its icon as resource 1 (the program's default window icon).
enable_language(RC)
set(VANTOR_CONTROLS_RC ${CMAKE_CURRENT_BINARY_DIR}/controls_tests.rc)
file(WRITE ${VANTOR_CONTROLS_RC}
  "1 24 \"${PROJECT_SOURCE_DIR}/app/vantor.manifest\"\n"
  "1 ICON \"${PROJECT_SOURCE_DIR}/app/forms/vantor.ico\"\n")

add_library(vantor_controls_test_support STATIC
  test_window_kind_support.h test_window_kind_support.cpp)
target_link_libraries(vantor_controls_test_support PUBLIC vantor_controls vantor_test_support
  windowscodecs ole32)
target_compile_definitions(vantor_controls_test_support PRIVATE
  VANTOR_SOURCE_DIR="${VANTOR_TEST_PATH_PREFIX}${PROJECT_SOURCE_DIR}")
target_compile_options(vantor_controls_test_support PRIVATE ${VANTOR_WARNINGS})

foreach(t test_window_kind test_window_kind_paint test_button test_trans_label)
  vantor_test(${t} LIBS vantor_controls_test_support SOURCES ${t}.cpp ${VANTOR_CONTROLS_RC})
  target_compile_options(${t} PRIVATE ${VANTOR_WARNINGS})
endforeach()
