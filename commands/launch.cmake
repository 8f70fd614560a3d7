# Program launch command and the runtime commands of the helper routines
# (Windows only: CreateProcessA and the runtime's message requests).
add_library(vantor_launch STATIC
  ${CMAKE_CURRENT_LIST_DIR}/launch.h ${CMAKE_CURRENT_LIST_DIR}/launch.cpp)
target_link_libraries(vantor_launch PUBLIC vantor_commands_core vantor_runtime_win32)
target_compile_options(vantor_launch PRIVATE ${VANTOR_WARNINGS})
