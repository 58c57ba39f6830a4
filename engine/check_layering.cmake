# The engine's folders are layers, each including only from itself and the layers below it:
# core (images, attribute lists, reports), then mosaic (estimation and composition), then
# session (the exported classes). Fails, naming file and line, on an include that reaches up.
#   cmake -DENGINE_DIR=<the engine folder> -P check_layering.cmake
if(NOT ENGINE_DIR)
  message(FATAL_ERROR "ENGINE_DIR is not set")
endif()

# layer -> the folders above it
set(above_core mosaic session)
set(above_mosaic session)

set(faults "")
set(checked 0)
foreach(layer core mosaic)
  file(GLOB_RECURSE sources ${ENGINE_DIR}/${layer}/*.h ${ENGINE_DIR}/${layer}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "no sources under ${ENGINE_DIR}/${layer}")
  endif()
  foreach(source IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
      foreach(upper IN LISTS above_${layer})
        # "session/x.h", <session/x.h>, "../session/x.h", "engine/session/x.h"
        if(line MATCHES "[\"</]${upper}/")
          file(RELATIVE_PATH name ${ENGINE_DIR} ${source})
          string(APPEND faults "  ${name}: ${line}\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "engine files include from a layer above their own:\n${faults}")
endif()
message(STATUS "${checked} files of engine/core and engine/mosaic include nothing from above")
