# Windows tree only: figures of the window, button and label kinds under Wine.
# Build: ninja bench_controls_win32; run: tools/wine-run.sh <build>/bench/bench_controls_win32.exe
add_executable(bench_controls_win32 ${CMAKE_CURRENT_LIST_DIR}/bench_controls_win32.cpp)
target_link_libraries(bench_controls_win32 PRIVATE vantor_controls)
target_compile_definitions(bench_controls_win32 PRIVATE VANTOR_SOURCE_DIR="Z:${PROJECT_SOURCE_DIR}")
target_compile_options(bench_controls_win32 PRIVATE ${VANTOR_WARNINGS})
set_target_properties(bench_controls_win32 PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
