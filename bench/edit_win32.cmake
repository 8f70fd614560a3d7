# Windows benchmark of the edit box and common dialog kinds. Run it under Wine:
#   tools/wine-run.sh <binary dir of the including CMakeLists>/bench_edit_win32.exe
add_executable(bench_edit_win32 ${CMAKE_CURRENT_LIST_DIR}/bench_edit_win32.cpp)
target_link_libraries(bench_edit_win32 PRIVATE vantor_controls)
target_compile_options(bench_edit_win32 PRIVATE ${VANTOR_WARNINGS})
