# The Debian package of the Qt program: `cpack` in a built tree, which scripts/package.sh runs on
# a Release build. Built and packed with SOURCE_DATE_EPOCH set, one commit gives the same bytes.

# Debian wants the licences next to the program, its own (machine-readable) and that of the fonts
# built into it, and a changelog: changelog.gz, as a version without a Debian revision makes
# this a native package.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/marlinth)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
    ${PROJECT_SOURCE_DIR}/resources/fonts/OFL.txt DESTINATION ${doc_dir})
# Without a name or time stamp in the gzip header, so that it is the same on every build.
add_custom_command(OUTPUT changelog.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/debian/changelog changelog
    COMMAND gzip -9nf changelog
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/debian/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marlinth)
set(CPACK_PACKAGE_VENDOR "The Marlinth developers")
set(CPACK_PACKAGE_CONTACT "The Marlinth developers <marlinth@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "look-alike of a trojan remover; its checks examine nothing")
set(CPACK_PACKAGE_DESCRIPTION [[
Marlinth shows a small window, in Simplified Chinese, in the style of a
remover of trojans and unwanted plug-ins. Its three checks (memory, registry,
folder) move a progress bar to its end and report that no trojan was found.
.
The checks examine nothing: the program reads and writes no files and changes
nothing on the computer, and it does not protect it.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_folders.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is read off the program's shared libraries: Qt and the C and C++ runtimes, and no font
# package, as the program carries its own fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's private interface to its Wayland connection holds only for the Qt the program
# was built with, which Debian names by this virtual package, as its own Qt packages do.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-base-abi (= ${Qt6Gui_VERSION})")
# On a Wayland desktop the toolkit's Wayland plugin gives a native window, sharp when scaled;
# without it the program runs through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)

include(CPack)
