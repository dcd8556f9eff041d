# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the layering probes: each breach must fail with the compiler's or linker's own complaint
# about the higher layer, each control must build. Their output goes to LOG.
file(WRITE ${LOG} "")
set(failures 0)

function(probe target expect pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  file(APPEND ${LOG} "==== ${target} (exit ${rc})\n${out}\n")
  if(expect STREQUAL "builds")
    if(NOT rc EQUAL 0)
      message(SEND_ERROR "${target} should build:\n${out}")
    endif()
  elseif(rc EQUAL 0)
    message(SEND_ERROR "${target} built, but a lower layer reached a higher one")
  elseif(NOT out MATCHES "${pattern}")
    message(SEND_ERROR "${target} failed, but not for the layering's reason:\n${out}")
  else()
    string(REGEX MATCH "[^\n]*${pattern}[^\n]*" line "${out}")
    message(STATUS "${target} fails as it should: ${line}")
  endif()
endfunction()

probe(layer_probe_ui_includes_engine builds "")
probe(layer_probe_core_includes_engine fails "engine/adjustment_kind\\.h: No such file or directory")
probe(layer_probe_core_and_engine_calls_engine builds "")
probe(layer_probe_core_calls_engine fails "undefined reference to `lumivex::adjustmentInfo")
