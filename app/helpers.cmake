# The launcher's system helper routines (Windows only: they reach the system
# through the program's declared functions).
add_library(vantor_app_helpers STATIC
  ${CMAKE_CURRENT_LIST_DIR}/system_helpers.h ${CMAKE_CURRENT_LIST_DIR}/system_helpers.cpp)
target_link_libraries(vantor_app_helpers PUBLIC vantor_launch vantor_commands_core
  vantor_runtime_win32 vantor_dll_call)
target_compile_options(vantor_app_helpers PRIVATE ${VANTOR_WARNINGS})
