# Form engine tests: test kinds over the system's STATIC and BUTTON classes, a
# test archive compiled from its form source, in-process tests with real windows
# and a child program for what ends the process (runtime errors, the last window).

set(VANTOR_FORMS_TEST_ARCHIVE ${CMAKE_CURRENT_BINARY_DIR}/forms_test.vfa)
vantor_compile_form(OUTPUT ${VANTOR_FORMS_TEST_ARCHIVE}
  SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/support_forms/forms_test.form)
add_custom_target(forms_test_archive ALL DEPENDS ${VANTOR_FORMS_TEST_ARCHIVE})

add_library(vantor_forms_test_kinds STATIC
  support_forms/test_kinds.h support_forms/test_kinds.cpp
  support_forms/harness.h support_forms/harness.cpp
  support_forms/sequence.h support_forms/sequence.cpp)
target_link_libraries(vantor_forms_test_kinds PUBLIC vantor_forms_win32 gtest)
target_compile_options(vantor_forms_test_kinds PRIVATE ${VANTOR_WARNINGS})
target_compile_definitions(vantor_forms_test_kinds PUBLIC
  VANTOR_FORMS_TEST_ARCHIVE="${VANTOR_TEST_PATH_PREFIX}${VANTOR_FORMS_TEST_ARCHIVE}")
add_dependencies(vantor_forms_test_kinds forms_test_archive)

add_executable(forms_probe support_forms/forms_probe.cpp)
target_link_libraries(forms_probe PRIVATE vantor_forms_test_kinds vantor_test_support)
target_compile_options(forms_probe PRIVATE ${VANTOR_WARNINGS})

foreach(part load properties events)
  vantor_test(test_forms_${part} LIBS vantor_forms_test_kinds SOURCES test_forms_${part}.cpp)
  target_compile_options(test_forms_${part} PRIVATE ${VANTOR_WARNINGS})
endforeach()
vantor_test(test_forms_fatal LIBS vantor_test_support SOURCES test_forms_fatal.cpp)
target_compile_options(test_forms_fatal PRIVATE ${VANTOR_WARNINGS})
add_dependencies(test_forms_fatal forms_probe)

# The form engine benchmark builds on the same kinds (guarded: the lead may include it too).
include(${PROJECT_SOURCE_DIR}/bench/forms_win32.cmake)
