# The release archive Vantor-<version>-win32.zip in the build tree (tools/package.sh
# copies it to dist/): Vantor.exe and the Chinese guide, rendered from its
# Markdown by pandoc as Notepad text and as a web page. The version is the
# project's VERSION, as in the version resource; every entry carries the
# source's date, as the image does.
find_program(VANTOR_PANDOC pandoc)
if(NOT VANTOR_PANDOC)
  message(FATAL_ERROR "pandoc renders the release archive's guide: run tools/setup.sh")
endif()
set(VANTOR_PACKAGE ${CMAKE_BINARY_DIR}/Vantor-${PROJECT_VERSION}-win32.zip)
add_custom_command(OUTPUT ${VANTOR_PACKAGE}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/make_package.py ${VANTOR_PACKAGE}
    $<TARGET_FILE:Vantor> ${PROJECT_SOURCE_DIR}/docs/guide-zh_CN.md ${VANTOR_SOURCE_DATE} ${VANTOR_PANDOC}
  DEPENDS Vantor ${VANTOR_SOURCE_DATE} ${PROJECT_SOURCE_DIR}/docs/guide-zh_CN.md
    ${PROJECT_SOURCE_DIR}/tools/make_package.py ${PROJECT_SOURCE_DIR}/tools/source_date.py
    ${PROJECT_SOURCE_DIR}/tools/guide.lua
  COMMENT "Packing ${VANTOR_PACKAGE}")
add_custom_target(package_zip ALL DEPENDS ${VANTOR_PACKAGE})
file(WRITE ${CMAKE_BINARY_DIR}/package-name.txt "Vantor-${PROJECT_VERSION}-win32.zip")

# The archive holds exactly those files, agrees with the version resource, and
# the program in it runs under Wine.
add_test(NAME test_package COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/package/test_package.py
  ${VANTOR_PACKAGE} ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/package-check)
