# SPDX-License-Identifier: GPL-3.0-or-later
# Layers the build holds to, not only the folders.
#
# Headers: each layer gets an include root of its own in the build tree, holding one link to its
# folder (build/layers/core/core -> core/), so "core/picture.h" resolves for core and for whatever
# links core, and "engine/..." does not resolve inside core. The source root is on no include path.
#
# Symbols: a static archive never checks what it leaves undefined, so each layer's objects are
# linked once more as a shared object that may leave nothing undefined, against the shared objects
# of the layers below only. A call from a lower layer into a higher one then fails to link.

function(lumivex_layer_headers target layer)
  set(root ${CMAKE_BINARY_DIR}/layers/${layer})
  file(MAKE_DIRECTORY ${root})
  if(NOT IS_SYMLINK ${root}/${layer})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# lumivex_layer_link_check(<layer target> [BELOW <layer targets>...] [LIBS <other libraries>...])
# BELOW names the static targets of the lower layers; their checked shared objects are linked.
function(lumivex_layer_link_check target)
  cmake_parse_arguments(arg "" "" "BELOW;LIBS" ${ARGN})
  set_target_properties(${target} PROPERTIES LUMIVEX_LAYERS_BELOW "${arg_BELOW}" LUMIVEX_LAYER_LIBS "${arg_LIBS}")
  lumivex_layer_shared_object(${target} ${target}_linked)
endfunction()

# The checked shared object of a layer as its link check made it, under another name, with extra
# sources and extra layers below it: the layering test's probes. Built only when asked for.
function(lumivex_layer_probe target name)
  cmake_parse_arguments(arg "" "" "SOURCES;ALSO_BELOW" ${ARGN})
  lumivex_layer_shared_object(${target} ${name} EXCLUDE_FROM_ALL SOURCES ${arg_SOURCES} ALSO_BELOW ${arg_ALSO_BELOW})
endfunction()

function(lumivex_layer_shared_object target name)
  cmake_parse_arguments(arg "EXCLUDE_FROM_ALL" "" "SOURCES;ALSO_BELOW" ${ARGN})
  set(exclude)
  if(arg_EXCLUDE_FROM_ALL)
    set(exclude EXCLUDE_FROM_ALL)
  endif()
  add_library(${name} SHARED ${exclude} $<TARGET_OBJECTS:${target}> ${arg_SOURCES})
  get_target_property(below_layers ${target} LUMIVEX_LAYERS_BELOW)
  get_target_property(libs ${target} LUMIVEX_LAYER_LIBS)
  set(below)
  foreach(lower ${below_layers} ${arg_ALSO_BELOW})
    list(APPEND below ${lower}_linked)
  endforeach()
  target_link_libraries(${name} PRIVATE ${below} ${libs})
  target_link_options(${name} PRIVATE LINKER:--no-undefined)
  # Only a check: nothing links it or installs it.
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/layers)
endfunction()
