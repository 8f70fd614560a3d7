# Windows benchmark of the launch command and helper routines with the
# stand-in emulator (built by tests/e2e). Run it under Wine:
#   tools/wine-run.sh <build>/bench_launch_win32.exe
add_executable(bench_launch_win32 ${CMAKE_CURRENT_LIST_DIR}/bench_launch_win32.cpp)
target_link_libraries(bench_launch_win32 PRIVATE vantor_app_helpers vantor_e2e_driver)
target_compile_options(bench_launch_win32 PRIVATE ${VANTOR_WARNINGS})
add_dependencies(bench_launch_win32 standin_Nox)
set_target_properties(bench_launch_win32 PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/e2e)
