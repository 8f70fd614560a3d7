# Windows benchmark of declared-function calls against direct calls. Run it
# under Wine: tools/wine-run.sh <build>/bench_dll_call_win32.exe
add_executable(bench_dll_call_win32 ${CMAKE_CURRENT_LIST_DIR}/bench_dll_call_win32.cpp)
target_link_libraries(bench_dll_call_win32 PRIVATE vantor_dll_call vantor_runtime_core)
target_compile_options(bench_dll_call_win32 PRIVATE ${VANTOR_WARNINGS})

# Start-up time of a runtime program beside a plain Win32 program.
add_executable(startup_probe WIN32 ${PROJECT_SOURCE_DIR}/bench/startup_probe.cpp)
target_link_libraries(startup_probe PRIVATE vantor_runtime_win32)
add_executable(plain_probe WIN32 ${PROJECT_SOURCE_DIR}/bench/plain_probe.cpp)
add_executable(plain_gui_probe WIN32 ${PROJECT_SOURCE_DIR}/bench/plain_gui_probe.cpp)
target_link_libraries(plain_gui_probe PRIVATE ole32)
add_executable(bench_startup_win32 ${PROJECT_SOURCE_DIR}/bench/bench_startup_win32.cpp)
add_dependencies(bench_startup_win32 startup_probe plain_probe plain_gui_probe)

# Control kinds: creation, property round trips, painting.
include(${CMAKE_CURRENT_LIST_DIR}/controls_win32.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/edit_win32.cmake)

# The whole launcher with the stand-in emulator of tests/e2e: launch sequence,
# CPU share, start-up beside a plain program with the same controls.
include(${CMAKE_CURRENT_LIST_DIR}/sequence_win32.cmake)
