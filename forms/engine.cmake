# Windows side of the form engine: loading, properties, events, the load command.
# Included by forms/CMakeLists.txt for the vantor_forms_win32 library.
target_sources(vantor_forms_win32 PRIVATE
  engine.h engine.cpp engine_internal.h
  loader.h loader.cpp
  properties.h properties.cpp
  dispatch.h dispatch.cpp
  load_command.h load_command.cpp)
