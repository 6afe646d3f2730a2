# Installed layout and the Debian package.
#
#   bin/orvante2-scope, bin/orvante2-sensor, bin/orvante2-cli
#   share/man/man1/orvante2-{scope,sensor,cli}.1   made from each program's --help and --version
#   share/orvante2-scope/        language files and the logo (the program looks there when they are
#                                not beside it or in the current directory)
#   share/applications/orvante2-scope.desktop
#   share/icons/hicolor/{scalable,48x48,128x128,256x256}/apps/orvante2-scope.{svg,png}
#
# `cmake --install build --prefix DIR` installs; `cpack --config build/CPackConfig.cmake` (or
# `cmake --build build --target package`) makes the .deb. Neither is part of the normal build.
include(GNUInstallDirs)

set(ORVANTE2_DATA_DIR ${CMAKE_INSTALL_DATADIR}/orvante2-scope)
set(ORVANTE2_ICON_SIZES 48 128 256)

# The icon is drawn by a small program from one set of shapes, as SVG and PNG.
add_executable(orvante2-icon tools/icon.cpp)
target_link_libraries(orvante2-icon PRIVATE Qt6::Gui)
set(ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ICON_OUTPUTS ${ICON_DIR}/orvante2-scope.svg)
foreach(size IN LISTS ORVANTE2_ICON_SIZES)
    list(APPEND ICON_OUTPUTS ${ICON_DIR}/${size}x${size}/orvante2-scope.png)
endforeach()
add_custom_command(
    OUTPUT ${ICON_OUTPUTS}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:orvante2-icon> ${ICON_DIR} ${ORVANTE2_ICON_SIZES}
    DEPENDS orvante2-icon
    COMMENT "Drawing the desktop icon")
add_custom_target(orvante2-icons ALL DEPENDS ${ICON_OUTPUTS})

# Manual pages: help2man (Debian's, installed by tools/deps.sh) makes them from each program's
# --help and --version, so that they say what the program says.
find_program(HELP2MAN help2man REQUIRED)
set(MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(MAN_PAGES)
foreach(entry
        "orvante2-scope|configure, watch and service one ORVANTE2 optical sensor"
        "orvante2-sensor|simulated ORVANTE2 sensor on TCP/IP and a pseudo-terminal"
        "orvante2-cli|ORVANTE2 sensor operations from the command line")
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 program)
    list(GET parts 1 summary)
    add_custom_command(
        OUTPUT ${MAN_DIR}/${program}.1
        COMMAND ${CMAKE_COMMAND} -E make_directory ${MAN_DIR}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                ${HELP2MAN} --no-info --section 1 --name "${summary}"
                --output ${MAN_DIR}/${program}.1 $<TARGET_FILE:${program}>
        DEPENDS ${program}
        COMMENT "Manual page of ${program}"
        VERBATIM)
    list(APPEND MAN_PAGES ${MAN_DIR}/${program}.1)
endforeach()
add_custom_target(orvante2-manpages ALL DEPENDS ${MAN_PAGES})

install(TARGETS orvante2-scope orvante2-sensor orvante2-cli
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${RUNTIME_FILES} DESTINATION ${ORVANTE2_DATA_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/orvante2-scope.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ICON_DIR}/orvante2-scope.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS ORVANTE2_ICON_SIZES)
    install(FILES ${ICON_DIR}/${size}x${size}/orvante2-scope.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian package. The dependencies are the Qt 6 run-time libraries the program links and the
# platform plugins (xcb for a desktop, offscreen for a headless start); tools/check-package.sh
# checks that every library the installed programs load comes from one of them or from the base
# system.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvante2-scope)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ORVANTE2 Sensor Systems")
set(CPACK_PACKAGE_CONTACT "ORVANTE2 Sensor Systems <support@orvante2-sensors.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration, monitoring and service tool for ORVANTE2 optical sensors")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ORVANTE2 Scope connects to one ORVANTE2 optical sensor over RS-232 or TCP/IP. It reads,\n\
edits and stores the sensor's parameter set, shows its live values, captures scope\n\
traces, records value series, edits the conversion table and offers the service\n\
functions. The package also holds orvante2-cli, the sensor operations for scripts\n\
and test stations (JSON output, many sensors at once), and orvante2-sensor, a\n\
simulated sensor.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(ORVANTE2_QT_DEB_VERSION "(>= 6.4)")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libgcc-s1, \
libqt6core6 ${ORVANTE2_QT_DEB_VERSION}, libqt6gui6 ${ORVANTE2_QT_DEB_VERSION}, \
libqt6widgets6 ${ORVANTE2_QT_DEB_VERSION}, libqt6network6 ${ORVANTE2_QT_DEB_VERSION}, \
libqt6serialport6 ${ORVANTE2_QT_DEB_VERSION}, libqt6charts6 ${ORVANTE2_QT_DEB_VERSION}, \
libqt6printsupport6 ${ORVANTE2_QT_DEB_VERSION}, libqt6uitools6 ${ORVANTE2_QT_DEB_VERSION}, \
libqt6svg6 ${ORVANTE2_QT_DEB_VERSION}, \
libqt6opengl6 ${ORVANTE2_QT_DEB_VERSION}, libqt6openglwidgets6 ${ORVANTE2_QT_DEB_VERSION}, \
qt6-qpa-plugins ${ORVANTE2_QT_DEB_VERSION}")
# Qt's German dialog texts; the program runs without them, its own texts are German either way.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)

# --version reports the project's version.
foreach(program orvante2-scope orvante2-sensor orvante2-cli)
    target_compile_definitions(${program} PRIVATE ORVANTE2_VERSION="${PROJECT_VERSION}")
endforeach()
