# Install layout extras and the Debian package.
#
# The program folder (the install prefix) is laid out by the targets' own install rules: the
# program, libspecest.so, specest-run, user/ with the example jobs and data, manual.md and
# images/. Here: the desktop entry and icon beside them, and, in the package only, the entries
# that make the program start from the desktop menu.

set(LUMETRA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra.desktop ${LUMETRA_PACKAGING_DIR}/lumetra.svg
        DESTINATION .)

# Where the package puts the program folder.
set(LUMETRA_PACKAGE_PREFIX /opt/Lumetra)
set(LUMETRA_INSTALL_DIR ${LUMETRA_PACKAGE_PREFIX})
configure_file(${LUMETRA_PACKAGING_DIR}/lumetra ${CMAKE_BINARY_DIR}/packaging/lumetra @ONLY)
# System paths: only the package installs these (cmake --install leaves them out).
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/lumetra
        DESTINATION /usr/bin COMPONENT desktop EXCLUDE_FROM_ALL)
install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra.desktop
        DESTINATION /usr/share/applications COMPONENT desktop EXCLUDE_FROM_ALL)
install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra.svg
        DESTINATION /usr/share/icons/hicolor/scalable/apps COMPONENT desktop EXCLUDE_FROM_ALL)
# The Python package where Debian's python3 finds it: a link to the program folder's copy.
if(LUMETRA_BUILD_PYTHON)
  file(CREATE_LINK ${LUMETRA_INSTALL_DIR}/python/lumetra ${CMAKE_BINARY_DIR}/packaging/lumetra-python
       SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/lumetra-python DESTINATION /usr/lib/python3/dist-packages
          RENAME lumetra COMPONENT python EXCLUDE_FROM_ALL)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumetra)
set(CPACK_PACKAGE_VENDOR "Tavrenco")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lumetra support <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Spectral estimation workbench: fourteen PSD estimators with plots and peak lists")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumetra estimates the power spectral density of a uniformly sampled time series with one of \
fourteen estimators (periodogram, Blackman-Tukey, AR, MA and ARMA models, minimum variance) \
and shows the spectrum with its peaks. Eighteen example jobs are included.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${LUMETRA_PACKAGE_PREFIX})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified desktop)
if(LUMETRA_BUILD_PYTHON)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6core6 (>= 6.2), libqt6printsupport6 (>= 6.2), libqt6svg6 (>= 6.2), libhwy1, libc6, libstdc++6")
# The Python package needs them; the program does not.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, python3-numpy")
include(CPack)
