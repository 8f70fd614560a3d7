# Windows benchmarks of the whole launcher: the launch sequence with the
# stand-in emulator (built by tests/e2e) and Vantor's CPU share during it
#   tools/wine-run.sh <build>/tests/e2e/bench_sequence_win32.exe
# and its start-up beside a plain program with the same controls, to the
# window mapped on the X display (startup_host and bench/startup_mapped.py)
#   bash bench/startup_mapped.sh
enable_language(RC)
set(VANTOR_PLAIN_WINDOW_RC ${CMAKE_CURRENT_BINARY_DIR}/plain_window_13_manifest.rc)
file(WRITE ${VANTOR_PLAIN_WINDOW_RC} "1 24 \"${PROJECT_SOURCE_DIR}/app/vantor.manifest\"\n")
# The same manifest as Vantor.exe: the same common-controls version.
add_executable(plain_window_13 WIN32 ${CMAKE_CURRENT_LIST_DIR}/plain_window_13.cpp
  ${VANTOR_PLAIN_WINDOW_RC})
target_compile_options(plain_window_13 PRIVATE ${VANTOR_WARNINGS})
target_link_libraries(plain_window_13 PRIVATE user32 gdi32)

add_executable(bench_sequence_win32 ${CMAKE_CURRENT_LIST_DIR}/bench_sequence_win32.cpp)
target_link_libraries(bench_sequence_win32 PRIVATE vantor_e2e_driver)
target_compile_options(bench_sequence_win32 PRIVATE ${VANTOR_WARNINGS})
add_dependencies(bench_sequence_win32 standin_Nox Vantor)
set_target_properties(bench_sequence_win32 plain_window_13 PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/e2e)

# Start-up to the window mapped on X: the Windows half of bench/startup_mapped.py.
add_executable(startup_host ${CMAKE_CURRENT_LIST_DIR}/startup_host_win32.cpp)
target_compile_options(startup_host PRIVATE ${VANTOR_WARNINGS})
add_dependencies(startup_host plain_window_13 Vantor)
