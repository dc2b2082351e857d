# Desktop files (manual pages, icons) and the Debian package; scripts/package builds the package.
include(GNUInstallDirs)

# Installing (and so cpack) packs what the build made and never builds: the package test can
# pack the tree while other tests run from it. Build first ("cmake --build"; scripts/package does).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# --- manual pages, compressed the way Debian ships them ---
find_program(JIUJIU_GZIP gzip REQUIRED)
set(jiujiu_man_pages jiujiu-cli.1)
if(JIUJIU_BUILD_GUI)
    list(APPEND jiujiu_man_pages jiujiu.1)
endif()
set(jiujiu_man_out ${CMAKE_BINARY_DIR}/man)
set(jiujiu_man_files)
foreach(page IN LISTS jiujiu_man_pages)
    # -n leaves name and time out of the header, so the same page compresses to the same bytes.
    add_custom_command(OUTPUT ${jiujiu_man_out}/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${jiujiu_man_out}
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/res/man/${page} ${jiujiu_man_out}/${page}
        COMMAND ${JIUJIU_GZIP} -9nf ${jiujiu_man_out}/${page}
        DEPENDS ${CMAKE_SOURCE_DIR}/res/man/${page}
        COMMENT "Compressing the manual page ${page}"
        VERBATIM)
    list(APPEND jiujiu_man_files ${jiujiu_man_out}/${page}.gz)
endforeach()
add_custom_target(jiujiu-manpages ALL DEPENDS ${jiujiu_man_files})
install(FILES ${jiujiu_man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# --- copyright and changelog, where Debian policy puts them ---
# A native package (no Debian revision) names its changelog changelog.gz; -n keeps the bytes
# the same from build to build.
set(jiujiu_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})
set(jiujiu_changelog ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${jiujiu_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/res/doc/changelog ${CMAKE_BINARY_DIR}/doc
    COMMAND ${JIUJIU_GZIP} -9nf ${CMAKE_BINARY_DIR}/doc/changelog
    DEPENDS ${CMAKE_SOURCE_DIR}/res/doc/changelog
    COMMENT "Compressing the changelog"
    VERBATIM)
add_custom_target(jiujiu-changelog ALL DEPENDS ${jiujiu_changelog})
install(FILES ${CMAKE_SOURCE_DIR}/res/doc/copyright ${jiujiu_changelog} DESTINATION ${jiujiu_doc_dir})

# --- systemd user units that watch a saved search (jiujiu-watch@NAME.timer) ---
# /usr/lib/systemd/user whatever the prefix's library directory: systemd looks there only.
install(FILES ${CMAKE_SOURCE_DIR}/res/systemd/jiujiu-watch@.service
              ${CMAKE_SOURCE_DIR}/res/systemd/jiujiu-watch@.timer
        DESTINATION lib/systemd/user)

# --- the desktop icon in the usual theme sizes, redrawn at each size ---
set(jiujiu_package_targets jiujiu-cli jiujiu-manpages jiujiu-changelog)
if(JIUJIU_BUILD_GUI)
    set(jiujiu_icon_sizes 16 32 48 64 128 256)
    set(jiujiu_icon_root ${CMAKE_BINARY_DIR}/icons/hicolor)
    set(jiujiu_icon_files)
    foreach(size IN LISTS jiujiu_icon_sizes)
        list(APPEND jiujiu_icon_files ${jiujiu_icon_root}/${size}x${size}/apps/jiujiu.png)
    endforeach()
    # Qt's font and platform plugins hold allocations to the end: no leak check on a build tool.
    add_custom_command(OUTPUT ${jiujiu_icon_files}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:jiujiu-imagegen> --icons ${jiujiu_icon_root} ${jiujiu_icon_sizes}
        DEPENDS jiujiu-imagegen ${CMAKE_SOURCE_DIR}/res/imagegen/imagegen.cpp
        COMMENT "Drawing the desktop icon in ${jiujiu_icon_sizes} pixels"
        VERBATIM)
    add_custom_target(jiujiu-icons ALL DEPENDS ${jiujiu_icon_files})
    foreach(size IN LISTS jiujiu_icon_sizes)
        install(FILES ${jiujiu_icon_root}/${size}x${size}/apps/jiujiu.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    list(APPEND jiujiu_package_targets jiujiu jiujiu-icons)
endif()

# Everything the package holds; scripts/package builds this, then runs cpack.
add_custom_target(jiujiu-package-files DEPENDS ${jiujiu_package_targets})

# --- Debian package ---
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME jiujiu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "jiujiu")
set(CPACK_PACKAGE_CONTACT "jiujiu maintainers <maintainers@jiujiu.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Chinese-language search tool for ed2k resources")
set(CPACK_PACKAGE_DESCRIPTION
    "啾啾神器 (jiujiu) searches ed2k file-sharing resources by keyword and
lists each with its name, size, number of sources and ed2k link. A
double-click plays a resource online in a cloud-play window, or copies
its link and hands it to the desktop's ed2k client (for example aMule).

jiujiu-cli runs the same search from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# gio hands links and web pages to the desktop. (The web engine's helper process,
# libqt6webenginecore6-bin, comes from the library's shlibs entry.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libglib2.0-bin)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "amule | amule-daemon, fonts-noto-cjk")
include(CPack)
