# Installation and the Debian package. Included by assets/CMakeLists.txt, where the edition's
# values are known (EDITION_NAME, TALLOWIN_EDITION, the generated files).
#
#   PREFIX/lib/tallowin/   the program, tallowin-cli and everything they need beside them
#   PREFIX/bin/            links to both, so the programs still find their files by their real path
#   PREFIX/share/          the desktop entry, the hicolor icons and the AppStream metainfo
include(GNUInstallDirs)

tallowin_edition_value(Version EDITION_VERSION)
tallowin_edition_value(HelpHomePageLink EDITION_HOMEPAGE)

# One package per edition; they install the same files, so only one of them at a time.
set(TALLOWIN_PACKAGES tallowin tallowin-soundsift tallowin-clipharbor)
set(PACKAGE_ID ${ICON_NAME})
set(APPSTREAM_ID "org.tallowin.${PACKAGE_ID}")

# What the desktop says of the edition: downloading editions and audio-only editions differ.
tallowin_edition_value(Download EDITION_DOWNLOAD)
tallowin_edition_value(AVI EDITION_HAS_VIDEO)
if(EDITION_HAS_VIDEO STREQUAL "True")
  set(DESKTOP_GENERIC_NAME "Video Converter")
  set(DESKTOP_COMMENT "Convert audio and video files into the format your player needs")
  set(APPSTREAM_SUMMARY "Convert audio and video files for players and devices")
  set(APPSTREAM_DESCRIPTION "${EDITION_NAME} converts audio and video files into the formats that
      computers, phones and media players read, each format with presets for common devices.")
else()
  set(DESKTOP_GENERIC_NAME "Audio Converter")
  set(DESKTOP_COMMENT "Convert audio and video files into audio formats")
  set(APPSTREAM_SUMMARY "Convert audio and video files into audio formats")
  set(APPSTREAM_DESCRIPTION "${EDITION_NAME} turns audio and video files into MP3, AAC, OGG,
      FLAC and other audio formats, with presets for common players.")
endif()
if(EDITION_DOWNLOAD STREQUAL "True")
  string(APPEND APPSTREAM_DESCRIPTION " It also saves videos from their page links.")
endif()

# The types the input list takes (the extensions the open dialog offers).
string(CONCAT DESKTOP_MIME_TYPES
    "audio/mpeg;audio/aac;audio/x-wav;audio/x-ms-wma;audio/flac;audio/mp4;audio/x-matroska;"
    "audio/midi;audio/x-musepack;audio/x-ape;audio/ogg;audio/vnd.rn-realaudio;audio/x-wavpack;"
    "audio/x-tta;audio/ac3;audio/vnd.dts;video/x-msvideo;video/x-ms-asf;video/x-ms-wmv;"
    "video/x-flv;video/x-matroska;video/quicktime;video/3gpp;video/mp4;video/mpeg;video/ogg;"
    "video/x-ms-vob;application/vnd.rn-realmedia;video/vnd.rn-realvideo;video/mp2t;"
    "application/x-shockwave-flash;")
string(TIMESTAMP RELEASE_DATE "%Y-%m-%d" UTC)

set(DESKTOP_FILE ${CMAKE_BINARY_DIR}/share/applications/${PACKAGE_ID}.desktop)
set(METAINFO_FILE ${CMAKE_BINARY_DIR}/share/metainfo/${APPSTREAM_ID}.metainfo.xml)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/desktop/tallowin.desktop.in ${DESKTOP_FILE} @ONLY)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/desktop/tallowin.metainfo.xml.in ${METAINFO_FILE}
               @ONLY)

# Not the multiarch library folder: the program folder is the same under every prefix.
set(PROGRAM_DIR lib/tallowin)
install(TARGETS tallowin tallowin-cli RUNTIME DESTINATION ${PROGRAM_DIR})
install(FILES ${TALLOWIN_BIN_DIR}/lamecore.dll ${TALLOWIN_BIN_DIR}/icon.ico
        DESTINATION ${PROGRAM_DIR})
install(DIRECTORY ${TALLOWIN_BIN_DIR}/sounds ${TALLOWIN_BIN_DIR}/lib DESTINATION ${PROGRAM_DIR})
install(FILES ${DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${CMAKE_BINARY_DIR}/share/icons DESTINATION ${CMAKE_INSTALL_DATADIR})
# The commands: relative links, so that the tree can be moved (DESTDIR, packages).
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${bin}\")
  foreach(program tallowin tallowin-cli)
    file(REMOVE \"\${bin}/\${program}\")
    file(CREATE_LINK \"../${PROGRAM_DIR}/\${program}\" \"\${bin}/\${program}\" SYMBOLIC)
  endforeach()
  message(STATUS \"Linked: \${bin}/tallowin, \${bin}/tallowin-cli\")")

# The Debian package (make deb).
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_NAME ${PACKAGE_ID})
set(CPACK_PACKAGE_VERSION ${EDITION_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tallowin developers")
set(CPACK_PACKAGE_CONTACT "The Tallowin developers <developers@tallowin.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${EDITION_NAME}: ${APPSTREAM_SUMMARY}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${EDITION_HOMEPAGE})
string(CONCAT CPACK_DEBIAN_PACKAGE_DEPENDS
    "libavcodec-extra59, libavformat59, libavfilter8, libavutil57, libswscale6, libswresample4,"
    " libavdevice59, libqt6widgets6, libqt6gui6, libqt6dbus6, libqt6multimedia6,"
    " qt6-qpa-plugins, libcurl4, libpcre2-8-0, libc6, libstdc++6")
set(other_packages ${TALLOWIN_PACKAGES})
list(REMOVE_ITEM other_packages ${PACKAGE_ID})
list(JOIN other_packages ", " other_packages)
set(CPACK_DEBIAN_PACKAGE_CONFLICTS ${other_packages})
set(CPACK_DEBIAN_PACKAGE_REPLACES ${other_packages})
include(CPack)
