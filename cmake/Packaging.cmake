# What a prefix install adds besides the targets' own rules, and the Debian packages.
#
# cmake --install build --prefix P lays out (GNUInstallDirs):
#   bin/Lumetra, bin/specest-run                            component program
#   lib*/libspecest.so.1 (and the file it names)            component lib
#   lib*/libspecest.so, include/specest/, lib*/cmake/specest/, lib*/pkgconfig/specest.pc
#                                                           component dev
#   share/lumetra/ (examples, manual, images), share/applications, share/icons, share/mime
#                                                           component program
# cpack -G DEB makes one package of each component: libspecest1, libspecest-dev, lumetra and
# python3-lumetra (the Python package over the system's library; see python/CMakeLists.txt).

include(CMakePackageConfigHelpers)
set(LUMETRA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(LUMETRA_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/specest)

# find_package(specest) and specest::specest.
install(EXPORT specestTargets NAMESPACE specest:: DESTINATION ${LUMETRA_CMAKE_PACKAGE_DIR}
        COMPONENT dev)
configure_package_config_file(${LUMETRA_PACKAGING_DIR}/specestConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/packaging/specestConfig.cmake
                              INSTALL_DESTINATION ${LUMETRA_CMAKE_PACKAGE_DIR})
# The library's SOVERSION is the major version: any 1.x satisfies a request for 1.y, y <= x.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/specestConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/specestConfig.cmake
              ${CMAKE_BINARY_DIR}/packaging/specestConfigVersion.cmake
        DESTINATION ${LUMETRA_CMAKE_PACKAGE_DIR} COMPONENT dev)

# pkg-config --cflags --libs specest.
file(RELATIVE_PATH LUMETRA_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
configure_file(${LUMETRA_PACKAGING_DIR}/specest.pc.in ${CMAKE_BINARY_DIR}/packaging/specest.pc
               @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/specest.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# The desktop menu entry, its icon and the run report's file type.
if(LUMETRA_BUILD_FRONTEND)
  install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT program)
  install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT program)
  # The job and NumPy types (lumetra-data.xml) and the run report's type with its viewer.
  file(GLOB LUMETRA_MIME_PACKAGES CONFIGURE_DEPENDS ${LUMETRA_PACKAGING_DIR}/mime/*.xml)
  install(FILES ${LUMETRA_MIME_PACKAGES}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT program)
  install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra-run-report.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT program)
endif()

# ---- Debian packages -------------------------------------------------------------------------
set(LUMETRA_DEB_LIB libspecest${PROJECT_VERSION_MAJOR})
set(LUMETRA_DEB_COMPONENTS lib dev)
if(LUMETRA_BUILD_FRONTEND OR LUMETRA_BUILD_CLI)
  list(APPEND LUMETRA_DEB_COMPONENTS program)
endif()
if(LUMETRA_BUILD_PYTHON)
  list(APPEND LUMETRA_DEB_COMPONENTS python)
endif()

# Every package carries the licence as Debian wants it.
foreach(component IN ITEMS lib dev program python)
  string(TOUPPER ${component} upper)
  set(name_lib ${LUMETRA_DEB_LIB})
  set(name_dev libspecest-dev)
  set(name_program lumetra)
  set(name_python python3-lumetra)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${name_${component}})
  install(FILES ${LUMETRA_PACKAGING_DIR}/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name_${component}}
          COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumetra)
set(CPACK_PACKAGE_VENDOR "The Lumetra developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Lumetra developers <maintainers@lumetra.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_COMPONENTS_ALL ${LUMETRA_DEB_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Run-time dependencies of the binaries from dpkg-shlibdeps: the library's are libc, libstdc++
# and Highway; only the program's include Qt.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's shlibs file, so packages built against it depend on libspecest1.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(same_version "(= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIB_DESCRIPTION
    "Lumetra's spectral estimation engine (shared library)
libspecest estimates the power spectral density of a uniformly sampled time series with one
of fourteen estimators (periodogram, Blackman-Tukey, AR, MA and ARMA models, minimum
variance) through a C interface.")

set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${LUMETRA_DEB_LIB} ${same_version}")
set(CPACK_DEBIAN_DEV_DESCRIPTION
    "Lumetra's spectral estimation engine (development files)
The C and C++ headers of libspecest, its CMake package (find_package(specest), target
specest::specest) and its pkg-config file (specest).")

set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3, python3-numpy, ${LUMETRA_DEB_LIB} (>= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "Lumetra's spectral estimators for Python
The lumetra package (psd, estimate, run_job) over the system's libspecest, with numpy
arrays in and out.")

# The program loads the engine at run time, so dpkg-shlibdeps cannot see that dependency.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "${LUMETRA_DEB_LIB} ${same_version}")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS python3-lumetra)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
    "Spectral estimation workbench: fourteen PSD estimators with plots and peak lists
Lumetra estimates the power spectral density of a uniformly sampled time series with one of
fourteen estimators (periodogram, Blackman-Tukey, AR, MA and ARMA models, minimum variance)
and shows the spectrum with its peaks. Eighteen example jobs are included, and the
specest-run command line.")
include(CPack)
