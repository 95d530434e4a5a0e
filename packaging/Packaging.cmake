# What `cmake --install` puts on the system, and the Debian package CPack makes of it.
# Only the program and its desktop entry and icons are installed: tests, helper programs and
# benchmarks stay in the build folder.
include(GNUInstallDirs)

set(TYPOVEX_DESKTOP_ID typovex)
set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS typovex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME typovex)
set(CPACK_PACKAGE_VENDOR "Typovex developers")
set(CPACK_PACKAGE_CONTACT "Typovex developers <maintainers@typovex.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "preview and print catalogues of installed fonts")
set(CPACK_PACKAGE_DESCRIPTION
    "Typovex lists the installed font families, and on request the fonts of folders you\n"
    "name, and prints or previews a catalogue of the ticked ones: one sample line per font\n"
    "in the size and style you choose, with title, header and footer, on paper or as PDF.\n"
    "Side tools show a font's 256 character codes and export a sample line as a BMP or\n"
    "JPEG image.")
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
# "Arial", the default face, is served only by a metric-compatible family.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2 | fonts-croscore")

include(CPack)
