# vantor_compile_form(OUTPUT out SOURCE form-source [DEPENDS files...]
#                     [HEADER header NAMESPACE ns])
# Compiles a form source (and the files it names, such as its icon) into a form
# archive with the project's form compiler: VANTOR_FORMC is the tool and
# VANTOR_FORMC_TARGET the target that builds it (or the tool's file), both set
# by the top level (the native tree's own build of the tool, the Windows tree's
# host build, or VANTOR_HOST_FORMC).
function(vantor_compile_form)
  cmake_parse_arguments(F "" "OUTPUT;SOURCE;HEADER;NAMESPACE" "DEPENDS" ${ARGN})
  set(header_args)
  if(F_HEADER)
    set(header_args --header ${F_HEADER} --namespace ${F_NAMESPACE})
  endif()
  add_custom_command(
    OUTPUT ${F_OUTPUT} ${F_HEADER}
    COMMAND ${VANTOR_FORMC} ${F_SOURCE} -o ${F_OUTPUT} ${header_args}
    DEPENDS ${F_SOURCE} ${F_DEPENDS} ${VANTOR_FORMC_TARGET}
    COMMENT "Compiling form ${F_SOURCE}"
    VERBATIM)
endfunction()
