# SPDX-License-Identifier: GPL-3.0-or-later
# The window's languages: translations/lumivex_LANG.ts are the sources (kept in the repository,
# refreshed from the code by `cmake --build build --target update_translations`), compiled by
# lrelease into build/translations/, beside the program, and installed into the data folder.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(LUMIVEX_LANGUAGES de fr es)
set(LUMIVEX_TS_FILES)
foreach(language ${LUMIVEX_LANGUAGES})
  list(APPEND LUMIVEX_TS_FILES ${CMAKE_SOURCE_DIR}/translations/lumivex_${language}.ts)
endforeach()
set_source_files_properties(${LUMIVEX_TS_FILES} PROPERTIES OUTPUT_LOCATION ${CMAKE_BINARY_DIR}/translations)

# Every layer the window shows texts from; the command line (app/) stays English on purpose.
file(GLOB LUMIVEX_TRANSLATED_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/ui/*.cpp ${CMAKE_SOURCE_DIR}/ui/*.h
  ${CMAKE_SOURCE_DIR}/engine/*.cpp ${CMAKE_SOURCE_DIR}/engine/*.h
  ${CMAKE_SOURCE_DIR}/core/*.cpp ${CMAKE_SOURCE_DIR}/core/*.h
  ${CMAKE_SOURCE_DIR}/core/codec/*.cpp ${CMAKE_SOURCE_DIR}/core/codec/*.h)
qt_add_lupdate(lumivex TS_FILES ${LUMIVEX_TS_FILES} SOURCES ${LUMIVEX_TRANSLATED_SOURCES}
               INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}
               OPTIONS -no-obsolete -locations none)
qt_add_lrelease(lumivex TS_FILES ${LUMIVEX_TS_FILES} QM_FILES_OUTPUT_VARIABLE LUMIVEX_QM_FILES
                OPTIONS -silent)
install(FILES ${LUMIVEX_QM_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/lumivex/translations)
