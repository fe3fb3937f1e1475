# What `cmake --install` puts where, and the Debian package CPack makes of it (`cpack -G DEB`
# in a build folder).
include(GNUInstallDirs)

install(TARGETS kolvex7 kolvex7-sim kolvex7-ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES sim/data/demo-ku.sat sim/data/13.00E.csv
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kolvex7)
install(FILES packaging/kolvex7.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/prometheus/kolvex7.rules.yml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kolvex7/prometheus)
# The watch as a service: a template unit naming the program and its settings where this install
# puts them (the prefix is known only then: /usr for the package, /usr/local by default), and
# an example of an instance's settings in /etc/kolvex7 (the package's only conffile).
set(KOLVEX7_SYSTEMD_SOURCE ${PROJECT_SOURCE_DIR}/packaging/systemd)
set(KOLVEX7_SYSTEMD_BUILD ${CMAKE_BINARY_DIR}/packaging)
install(CODE "
  set(KOLVEX7_BIN \"\${CMAKE_INSTALL_PREFIX}/bin\")
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(KOLVEX7_ETC /etc)
  else()
    set(KOLVEX7_ETC \"\${CMAKE_INSTALL_PREFIX}/etc\")
  endif()
  configure_file(\"${KOLVEX7_SYSTEMD_SOURCE}/kolvex7-watch@.service.in\"
      \"${KOLVEX7_SYSTEMD_BUILD}/kolvex7-watch@.service\" @ONLY)
  file(INSTALL \"${KOLVEX7_SYSTEMD_BUILD}/kolvex7-watch@.service\"
      DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
  file(INSTALL \"${KOLVEX7_SYSTEMD_SOURCE}/watch-example.conf\"
      DESTINATION \"\${KOLVEX7_ETC}/kolvex7\")
")
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "/etc/kolvex7/watch-example.conf\n")
install(FILES packaging/kolvex7.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/kolvex7.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
# Manual pages and the changelog go in gzipped, as Debian keeps them; -n leaves out the time
# stamp, so the same sources give the same package.
find_program(KOLVEX7_GZIP gzip REQUIRED)
set(compressed)
foreach(source man/kolvex7.1 man/kolvex7-sim.1 man/kolvex7-ctl.1 packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(out ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
      COMMAND ${KOLVEX7_GZIP} -9nc ${PROJECT_SOURCE_DIR}/${source} > ${out}
      DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND compressed ${out})
endforeach()
add_custom_target(kolvex7_compressed ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/kolvex7.1.gz ${CMAKE_BINARY_DIR}/packaging/kolvex7-sim.1.gz
        ${CMAKE_BINARY_DIR}/packaging/kolvex7-ctl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kolvex7)
set(CPACK_PACKAGE_VENDOR "Halvorn Software")
set(CPACK_PACKAGE_CONTACT "Halvorn Software <support@halvorn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Remote control of a KOLVEX7 satellite receiver")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Configures the serial link and LNB options of a KOLVEX7 DVB satellite\n"
    "receiver, tunes it to transponders from list files, lists and selects\n"
    "services, scans a satellite position and saves the result. With\n"
    "kolvex7-ctl for scripts and kolvex7-sim, a receiver simulator.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link come from dpkg-shlibdeps (libc and libstdc++ among them); the
# platform plugins are loaded, not linked, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
include(CPack)
