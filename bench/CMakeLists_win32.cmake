# Windows benchmark of declared-function calls against direct calls. Run it
# under Wine: tools/wine-run.sh <build>/bench_dll_call_win32.exe
add_executable(bench_dll_call_win32 ${CMAKE_CURRENT_LIST_DIR}/bench_dll_call_win32.cpp)
target_link_libraries(bench_dll_call_win32 PRIVATE vantor_dll_call vantor_runtime_core)
target_compile_options(bench_dll_call_win32 PRIVATE ${VANTOR_WARNINGS})
