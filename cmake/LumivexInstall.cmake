# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts where: the program, its samples, and what a desktop needs to offer
# it (launcher, icons, software-centre data, manual page).
include(GNUInstallDirs)

set(LUMIVEX_APP_ID com.quenwick.Lumivex)
set(LUMIVEX_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/lumivex)
set(LUMIVEX_DATA_SOURCE ${CMAKE_SOURCE_DIR}/data)
set(LUMIVEX_DATA_BUILD ${CMAKE_BINARY_DIR}/data)

install(TARGETS lumivex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Samples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/lumivex/Samples)

install(FILES ${LUMIVEX_DATA_SOURCE}/${LUMIVEX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

configure_file(${LUMIVEX_DATA_SOURCE}/${LUMIVEX_APP_ID}.metainfo.xml.in
               ${LUMIVEX_DATA_BUILD}/${LUMIVEX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${LUMIVEX_DATA_BUILD}/${LUMIVEX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${LUMIVEX_DATA_SOURCE}/icons/${LUMIVEX_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The fixed-size icons are rendered from the one drawing, so they cannot drift apart.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(icon_pngs)
  foreach(size 48 128 256)
    set(png ${LUMIVEX_DATA_BUILD}/icons/${size}x${size}/${LUMIVEX_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMIVEX_DATA_BUILD}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --format png
              --output ${png} ${LUMIVEX_DATA_SOURCE}/icons/${LUMIVEX_APP_ID}.svg
      DEPENDS ${LUMIVEX_DATA_SOURCE}/icons/${LUMIVEX_APP_ID}.svg
      VERBATIM)
    list(APPEND icon_pngs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(lumivex_icons ALL DEPENDS ${icon_pngs})
else()
  message(WARNING "rsvg-convert (librsvg2-bin) not found: only the scalable icon will be installed")
endif()

# Manual pages are installed compressed, as Debian's man expects them.
configure_file(${LUMIVEX_DATA_SOURCE}/lumivex.1 ${LUMIVEX_DATA_BUILD}/lumivex.1 @ONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${LUMIVEX_DATA_BUILD}/lumivex.1.gz
  COMMAND ${GZIP} -9 -n -f -k ${LUMIVEX_DATA_BUILD}/lumivex.1
  DEPENDS ${LUMIVEX_DATA_BUILD}/lumivex.1
  VERBATIM)
add_custom_target(lumivex_manual ALL DEPENDS ${LUMIVEX_DATA_BUILD}/lumivex.1.gz)
install(FILES ${LUMIVEX_DATA_BUILD}/lumivex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# What Debian policy asks of every package's documentation folder: the copyright in its
# machine-readable form and the changelog, compressed (a native package's is changelog.gz).
set(LUMIVEX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/lumivex)
configure_file(${LUMIVEX_DATA_SOURCE}/debian/copyright ${LUMIVEX_DATA_BUILD}/copyright @ONLY)
configure_file(${LUMIVEX_DATA_SOURCE}/debian/changelog ${LUMIVEX_DATA_BUILD}/changelog @ONLY)
add_custom_command(OUTPUT ${LUMIVEX_DATA_BUILD}/changelog.gz
  COMMAND ${GZIP} -9 -n -f -k ${LUMIVEX_DATA_BUILD}/changelog
  DEPENDS ${LUMIVEX_DATA_BUILD}/changelog
  VERBATIM)
add_custom_target(lumivex_changelog ALL DEPENDS ${LUMIVEX_DATA_BUILD}/changelog.gz)
install(FILES ${LUMIVEX_DATA_BUILD}/copyright ${LUMIVEX_DATA_BUILD}/changelog.gz DESTINATION ${LUMIVEX_DOC_DIR})
install(FILES ${LUMIVEX_DATA_SOURCE}/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME lumivex)

# Stripped as Debian strips (dh_strip): besides the symbols, the compiler's notes and version
# strings, which the program never reads.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note --strip-unneeded
                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/lumivex\"
                    RESULT_VARIABLE strip_status)
    if(NOT strip_status EQUAL 0)
      message(FATAL_ERROR \"strip failed on lumivex\")
    endif()
  endif()")
