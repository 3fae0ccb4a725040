# cmake --install: the programs in bin/, libnxsim and the tools in lib/<project>/,
# the dialog files and the sample panel in share/<project>/. The installed nxsim
# finds its tools and dialogs from where it lies, so the tree can be moved.
set(RIVET_INSTALL_LIB lib/${PROJECT_NAME})
set(RIVET_INSTALL_TOOLS ${RIVET_INSTALL_LIB}/tools)
set(RIVET_INSTALL_SHARE share/${PROJECT_NAME})

install(TARGETS nxsim fpdf_check fpdf_diff RUNTIME DESTINATION bin)
install(TARGETS nxsim_host LIBRARY DESTINATION ${RIVET_INSTALL_LIB})
set_target_properties(nxsim PROPERTIES INSTALL_RPATH "$ORIGIN/../${RIVET_INSTALL_LIB}")
get_property(tool_targets GLOBAL PROPERTY RIVET_TOOL_TARGETS)
install(TARGETS ${tool_targets} LIBRARY DESTINATION ${RIVET_INSTALL_TOOLS})
set_target_properties(${tool_targets} PROPERTIES INSTALL_RPATH "$ORIGIN/..")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/dialogs/ DESTINATION ${RIVET_INSTALL_SHARE}/dialogs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${RIVET_INSTALL_SHARE}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/${PROJECT_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/nxsim/README.md DESTINATION share/doc/${PROJECT_NAME} RENAME nxsim.md)

# cpack: a Debian package and a tarball of the same tree.
set(CPACK_PACKAGE_NAME riveting-suite)
set(CPACK_PACKAGE_VENDOR "Riveting suite developers")
set(CPACK_PACKAGE_CONTACT "Riveting suite developers <riveting@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Riveting preparation tools for the NX CAD host, nxsim to run them headless, fpdf_check")
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
include(CPack)
