# What `cmake --install` puts where, and the packages `make package` makes
# of it with CPack, into BOXLIFT_PACKAGE_DIR (build/packages):
#   the native build: bin/boxlift, its man page (share/man/man1/boxlift.1,
#   made at build time from the program's own --help by
#   scripts/man-page.sh) and share/doc/boxlift (README.md, docs/); as
#   boxlift_VERSION_ARCH.deb, whose dependencies dpkg-shlibdeps finds;
#   the Windows tool build: boxlift.exe and README.md, as
#   boxlift-VERSION-win32.zip.
# The version is the project's, which the tool reports too.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME boxlift)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Boxlift")
set(CPACK_PACKAGE_CONTACT "Boxlift maintainers <boxlift@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "packs Windows Installer packages into self-extracting setup.exe files")
set(BOXLIFT_PACKAGE_DIR ${CMAKE_SOURCE_DIR}/build/packages CACHE PATH
    "Where make package writes the packages")
set(CPACK_OUTPUT_FILE_PREFIX ${BOXLIFT_PACKAGE_DIR})
set(CPACK_STRIP_FILES ON)

if(BOXLIFT_WINDOWS_TOOL)
  install(TARGETS boxlift RUNTIME DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME boxlift-${PROJECT_VERSION}-win32)
else()
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/boxlift.1
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            bash ${CMAKE_SOURCE_DIR}/scripts/man-page.sh $<TARGET_FILE:boxlift>
            ${CMAKE_BINARY_DIR}/boxlift.1
    DEPENDS boxlift ${CMAKE_SOURCE_DIR}/scripts/man-page.sh
    COMMENT "Writing the man page boxlift.1 from boxlift --help")
  add_custom_target(man_page ALL DEPENDS ${CMAKE_BINARY_DIR}/boxlift.1)

  set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/boxlift)
  install(TARGETS boxlift RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/boxlift.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${doc_dir})
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${doc_dir}/docs)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # boxlift_VERSION_ARCH.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
