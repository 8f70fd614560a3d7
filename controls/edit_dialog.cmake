# The EditBox and CommonDlg kinds, added to the control library.
target_sources(vantor_controls PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/edit_box.h ${CMAKE_CURRENT_LIST_DIR}/edit_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/edit_input.h ${CMAKE_CURRENT_LIST_DIR}/edit_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spin.cpp ${CMAKE_CURRENT_LIST_DIR}/edit_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/common_dlg.h ${CMAKE_CURRENT_LIST_DIR}/common_dlg.cpp)
target_link_libraries(vantor_controls PUBLIC vantor_commands_core comctl32)
