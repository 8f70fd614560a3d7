# Base-library commands that need the window system (Windows only).
add_library(vantor_ui_commands STATIC
  ${CMAKE_CURRENT_LIST_DIR}/dialogs.h ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp)
target_link_libraries(vantor_ui_commands PUBLIC vantor_forms_win32 vantor_runtime_core)
target_compile_options(vantor_ui_commands PRIVATE ${VANTOR_WARNINGS})
