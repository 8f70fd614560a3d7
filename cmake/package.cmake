# The release archive Vantor-<version>-win32.zip in the build tree (tools/package.sh
# copies it to dist/): Vantor.exe and the Chinese guide. The version is the
# project's VERSION, as in the version resource.
set(VANTOR_PACKAGE ${CMAKE_BINARY_DIR}/Vantor-${PROJECT_VERSION}-win32.zip)
add_custom_command(OUTPUT ${VANTOR_PACKAGE}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/make_package.py ${VANTOR_PACKAGE}
    $<TARGET_FILE:Vantor> ${PROJECT_SOURCE_DIR}/docs/guide-zh_CN.md
  DEPENDS Vantor ${PROJECT_SOURCE_DIR}/tools/make_package.py ${PROJECT_SOURCE_DIR}/docs/guide-zh_CN.md
  COMMENT "Packing ${VANTOR_PACKAGE}")
add_custom_target(package_zip ALL DEPENDS ${VANTOR_PACKAGE})
file(WRITE ${CMAKE_BINARY_DIR}/package-name.txt "Vantor-${PROJECT_VERSION}-win32.zip")

# The archive holds exactly those files, agrees with the version resource, and
# the program in it runs under Wine.
add_test(NAME test_package COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/package/test_package.py
  ${VANTOR_PACKAGE} ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/package-check)
