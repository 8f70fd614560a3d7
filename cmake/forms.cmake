# vantor_compile_form(OUTPUT out SOURCE form-source [DEPENDS files...])
# Compiles a form source (and the files it names, such as its icon) into a form
# archive with the project's form compiler: the native tree uses its own build of
# the tool, the Windows tree the host build (target host_tools).
function(vantor_compile_form)
  cmake_parse_arguments(F "" "OUTPUT;SOURCE" "DEPENDS" ${ARGN})
  if(TARGET vantor-formc)
    set(formc $<TARGET_FILE:vantor-formc>)
    set(formc_dep vantor-formc)
  else()
    set(formc ${VANTOR_FORMC})
    set(formc_dep host_tools)
  endif()
  add_custom_command(
    OUTPUT ${F_OUTPUT}
    COMMAND ${formc} ${F_SOURCE} -o ${F_OUTPUT}
    DEPENDS ${F_SOURCE} ${F_DEPENDS} ${formc_dep}
    COMMENT "Compiling form ${F_SOURCE}"
    VERBATIM)
endfunction()
