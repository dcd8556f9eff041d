# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack` (or `scripts/build.sh package`) builds lumivex_VERSION_ARCH.deb from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivex)
set(CPACK_PACKAGE_VENDOR Quenwick)
set(CPACK_PACKAGE_CONTACT "Quenwick <${LUMIVEX_SUPPORT_ADDRESS}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "apply one adjustment to a whole list of pictures")
# Debian's tools show the description in 80 columns: no line of it is longer.
set(CPACK_PACKAGE_DESCRIPTION
  "Lumivex brightens, adds contrast to, softens or sharpens every picture of a
"
  "list, shows each result beside its original and saves them all as JPEG or BMP
"
  "files into one folder. The same adjustments run without a window from the
"
  "command line, which also writes PNG, WebP, TIFF, JPEG XL, HEIC and AVIF. It
"
  "reads camera raw files (through LibRaw) and JPEG XL as well as the common
"
  "picture formats.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# A package always lives under /usr; the program also finds its data relative to itself.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LUMIVEX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded when the first HEIF, AVIF or JPEG XL file is met, so the program's own links do not
# name them. Debian names libjxl's package after its version (libjxl0.7).
find_package(PkgConfig REQUIRED)
pkg_check_modules(JXL_PACKAGE REQUIRED libjxl)
string(REGEX MATCH "^[0-9]+\\.[0-9]+" jxl_series "${JXL_PACKAGE_VERSION}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libheif1, libjxl${jxl_series}")
# Qt's own texts of the standard dialogs (buttons, the file dialog) in the window's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)

include(CPack)
