# The EditBox and CommonDlg kinds with real controls and dialogs under Wine. The
# programs carry the launcher's manifest, so they get the same common-controls
# version (EDIT, up-down) as Vantor.exe.
enable_language(RC)
set(VANTOR_EDIT_DIALOG_RC ${CMAKE_CURRENT_BINARY_DIR}/edit_dialog_manifest.rc)
file(WRITE ${VANTOR_EDIT_DIALOG_RC} "1 24 \"${PROJECT_SOURCE_DIR}/app/vantor.manifest\"\n")

add_library(vantor_edit_dialog_support STATIC test_edit_box_support.h test_edit_box_support.cpp)
target_link_libraries(vantor_edit_dialog_support PUBLIC vantor_controls)
target_compile_options(vantor_edit_dialog_support PRIVATE ${VANTOR_WARNINGS})

vantor_test(test_edit_box LIBS vantor_edit_dialog_support
  SOURCES test_edit_box.cpp ${VANTOR_EDIT_DIALOG_RC})
vantor_test(test_common_dlg LIBS vantor_edit_dialog_support
  SOURCES test_common_dlg.cpp ${VANTOR_EDIT_DIALOG_RC})
target_compile_options(test_edit_box PRIVATE ${VANTOR_WARNINGS})
target_compile_options(test_common_dlg PRIVATE ${VANTOR_WARNINGS})

# Two-byte characters typed into the edit box: once with the manifest (the
# common-controls EDIT, as in Vantor.exe) and once without (the classic EDIT).
vantor_test(test_edit_box_dbcs LIBS vantor_edit_dialog_support
  SOURCES test_edit_box_dbcs.cpp ${VANTOR_EDIT_DIALOG_RC})
vantor_test(test_edit_box_dbcs_classic LIBS vantor_edit_dialog_support
  SOURCES test_edit_box_dbcs.cpp)
target_compile_options(test_edit_box_dbcs PRIVATE ${VANTOR_WARNINGS})
target_compile_options(test_edit_box_dbcs_classic PRIVATE ${VANTOR_WARNINGS})
