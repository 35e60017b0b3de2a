# Installation and packages: a .deb of the Linux programs, a zip of the Windows program (scripts/package).
# The project's version is the one source of every version shown: programs, resources and package names.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME fetchwell)
set(CPACK_PACKAGE_VENDOR Quillfen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Download the test reports of a ZT914 electrical-safety analyzer")
set(CPACK_PACKAGE_CONTACT "Fetchwell maintainers <fetchwell@quillfen.invalid>")

if(WIN32)
  install(TARGETS fetchwell RUNTIME DESTINATION .)
  configure_file(packaging/windows/README.txt ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME fetchwell-${PROJECT_VERSION}-win64)
else()
  install(TARGETS fetchwell-cli fetchwell-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  foreach(program fetchwell fetchwell-cli fetchwell-sim)
    configure_file(packaging/man/${program}.1 ${CMAKE_BINARY_DIR}/packaging/man/${program}.1 @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/man/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  # udev reads /usr/lib/udev/rules.d; the rule grants the logged-in user the FTDI bridge (uaccess).
  install(FILES packaging/linux/60-fetchwell-ftdi.rules DESTINATION lib/udev/rules.d)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Debian's own library packages, found by dpkg-shlibdeps
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
         "Download the test reports of a ZT914 electrical-safety analyzer\n"
         "Fetchwell copies the test reports stored in a ZT914 analyzer, connected by USB through its FTDI\n"
         "USB-serial bridge, into text files, one file per report, and can then have the instrument erase its\n"
         "records. It holds a desktop program (fetchwell), a command-line program for automation\n"
         "(fetchwell-cli), a simulated instrument (fetchwell-sim) and a udev rule that lets the logged-in user\n"
         "use the bridge.")
  configure_file(packaging/linux/postinst ${CMAKE_BINARY_DIR}/packaging/postinst @ONLY)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/postinst)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
