# Form engine benchmark for the Windows tree (a program that prints its figures;
# run it under Wine with tools/wine-run.sh). Uses the test kinds of
# tests/win32/forms.cmake (target vantor_forms_test_kinds).
include_guard(GLOBAL)
set(VANTOR_BENCH_FORMS_ARCHIVE ${CMAKE_CURRENT_BINARY_DIR}/bench_forms.vfa)
vantor_compile_form(OUTPUT ${VANTOR_BENCH_FORMS_ARCHIVE}
  SOURCE ${CMAKE_CURRENT_LIST_DIR}/bench_forms.form)
add_custom_target(bench_forms_archive ALL DEPENDS ${VANTOR_BENCH_FORMS_ARCHIVE})
add_executable(bench_forms_win32 ${CMAKE_CURRENT_LIST_DIR}/bench_forms_win32.cpp)
target_link_libraries(bench_forms_win32 PRIVATE vantor_forms_test_kinds)
target_compile_options(bench_forms_win32 PRIVATE ${VANTOR_WARNINGS})
target_compile_definitions(bench_forms_win32 PRIVATE
  VANTOR_BENCH_FORMS_ARCHIVE="Z:${VANTOR_BENCH_FORMS_ARCHIVE}")
add_dependencies(bench_forms_win32 bench_forms_archive)
