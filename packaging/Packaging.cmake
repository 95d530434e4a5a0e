# What `cmake --install` puts on the system, and the Debian package CPack makes of it.
# Only the program and its command-line catalogue, its desktop entry, icons, AppStream data, manual page, translations and
# documents are installed: tests, helper programs and benchmarks stay in the build folder.
include(GNUInstallDirs)

set(TYPOVEX_DESKTOP_ID typovex)
set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS typovex typovex-catalogue RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging_dir}/${TYPOVEX_DESKTOP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_dir}/icons/typovex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The PNG sizes are rendered from the SVG once and kept in the repository, so that neither the
# build nor the package needs an SVG renderer.
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${packaging_dir}/icons/hicolor/${size}x${size}/apps/typovex.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

install(FILES ${packaging_dir}/org.example.typovex.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual page and the changelog are compressed as Debian has them, without a name or time
# stamp in the gzip header, so that two builds give the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(packaging_out ${CMAKE_CURRENT_BINARY_DIR}/packaging)
configure_file(${packaging_dir}/changelog.in ${packaging_out}/changelog @ONLY)
foreach(page typovex typovex-catalogue)
    add_custom_command(OUTPUT ${packaging_out}/${page}.1.gz
                       COMMAND ${GZIP_PROGRAM} -9n -c ${packaging_dir}/${page}.1 > ${packaging_out}/${page}.1.gz
                       DEPENDS ${packaging_dir}/${page}.1 VERBATIM)
endforeach()
add_custom_command(OUTPUT ${packaging_out}/changelog.gz
                   COMMAND ${GZIP_PROGRAM} -9n -c ${packaging_out}/changelog > ${packaging_out}/changelog.gz
                   DEPENDS ${packaging_out}/changelog VERBATIM)
add_custom_target(typovex_documents ALL
                  DEPENDS ${packaging_out}/typovex.1.gz ${packaging_out}/typovex-catalogue.1.gz
                          ${packaging_out}/changelog.gz)
# The README builds the program alone before it makes the package.
add_dependencies(typovex typovex_documents)
install(FILES ${packaging_out}/typovex.1.gz ${packaging_out}/typovex-catalogue.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The folder is named after the package, not after the project.
install(FILES ${packaging_dir}/copyright ${packaging_out}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/typovex)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME typovex)
set(CPACK_PACKAGE_VENDOR "Typovex developers")
set(CPACK_PACKAGE_CONTACT "Typovex developers <maintainers@typovex.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "preview and print catalogues of installed fonts")
# Debian shows the description as it is: every line (with the leading space the control file
# adds) stays under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Typovex lists the installed font families, and on request the fonts of\n"
    "folders you name, and prints or previews a catalogue of the ticked ones:\n"
    "one sample line per font in the size and style you choose, with title,\n"
    "header and footer, on paper or as PDF. Side tools show a font's 256\n"
    "character codes and export a sample line as a BMP or JPEG image.\n"
    "typovex-catalogue makes the same catalogue from the command line, for\n"
    "scripts and font builds, without a display.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://typovex.example.org")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directory modes independent of the umask of whoever builds the package.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps; what it loads at run time is named
# here: Qt's platform plugins (no window without the xcb one) and fontconfig's configuration.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fontconfig")
# "Arial", the default face, is served only by a metric-compatible family; Qt's own catalogues
# translate its standard dialogs (the file and colour choosers) for the desktop's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2 | fonts-croscore, qt6-translations-l10n")

include(CPack)
