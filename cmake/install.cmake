# What `cmake --install` puts where, and the Debian package CPack makes of it (`cpack -G DEB`
# in a build folder).
include(GNUInstallDirs)

install(TARGETS kolvex7 kolvex7-sim kolvex7-ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES sim/data/demo-ku.sat sim/data/13.00E.csv
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kolvex7)
install(FILES packaging/kolvex7.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/kolvex7.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/kolvex7.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(FILES man/kolvex7.1 man/kolvex7-sim.1 man/kolvex7-ctl.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kolvex7)
set(CPACK_PACKAGE_VENDOR "Halvorn Software")
set(CPACK_PACKAGE_CONTACT "Halvorn Software <support@halvorn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Remote control of a KOLVEX7 satellite receiver")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Configures the serial link and LNB options of a KOLVEX7 DVB satellite receiver, tunes it to "
    "transponders from list files, lists and selects services, scans a satellite position and "
    "saves the result. With kolvex7-ctl for scripts and kolvex7-sim, a receiver simulator.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), libqt6charts6 (>= 6.4), qt6-qpa-plugins")
include(CPack)
