# Everything `cmake --install` and the Debian package put on the system besides the
# programs: the desktop entry, the AppStream metadata, icons, the help page, the manual
# page, the bash completion, and the copyright and changelog files.
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/mime_types.cmake)

set(pictaro_resources ${CMAKE_CURRENT_LIST_DIR})
set(pictaro_generated ${CMAKE_CURRENT_BINARY_DIR}/resources)

# The changelog's top entry is the release this tree builds: its date goes into the
# metadata and the manual page, and a version bump without an entry is caught here
# rather than shipped with the previous release's notes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pictaro_resources}/packaging/changelog)
file(STRINGS ${pictaro_resources}/packaging/changelog pictaro_changelog)
list(GET pictaro_changelog 0 pictaro_changelog_head)
if(NOT pictaro_changelog_head MATCHES "^pictaro \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "resources/packaging/changelog does not start with an entry for "
                        "version ${PROJECT_VERSION}: add one before building")
endif()
set(pictaro_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
foreach(pictaro_line IN LISTS pictaro_changelog)
    if(pictaro_line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
        set(pictaro_day ${CMAKE_MATCH_1})
        set(pictaro_year ${CMAKE_MATCH_3})
        list(FIND pictaro_months "${CMAKE_MATCH_2}" pictaro_month)
        math(EXPR pictaro_month "${pictaro_month} + 1")
        if(pictaro_month GREATER 0)
            string(REGEX REPLACE "^([0-9])$" "0\\1" pictaro_month "${pictaro_month}")
            string(REGEX REPLACE "^([0-9])$" "0\\1" pictaro_day "${pictaro_day}")
            set(PICTARO_RELEASE_DATE "${pictaro_year}-${pictaro_month}-${pictaro_day}")
        endif()
        break()
    endif()
endforeach()
if(NOT PICTARO_RELEASE_DATE)
    message(FATAL_ERROR "resources/packaging/changelog: no date in its top entry")
endif()

list(JOIN PICTARO_MIME_TYPES ";" PICTARO_DESKTOP_MIME_TYPES)
string(APPEND PICTARO_DESKTOP_MIME_TYPES ";")
list(TRANSFORM PICTARO_MIME_TYPES PREPEND "<mediatype>" OUTPUT_VARIABLE pictaro_mediatypes)
list(TRANSFORM pictaro_mediatypes APPEND "</mediatype>")
list(JOIN pictaro_mediatypes "\n    " PICTARO_METAINFO_MIME_TYPES)

set(PICTARO_APPSTREAM_ID org.pictaro.Pictaro)
configure_file(${pictaro_resources}/pictaro.desktop.in ${pictaro_generated}/pictaro.desktop @ONLY)
configure_file(${pictaro_resources}/${PICTARO_APPSTREAM_ID}.metainfo.xml.in
               ${pictaro_generated}/${PICTARO_APPSTREAM_ID}.metainfo.xml @ONLY)
configure_file(${pictaro_resources}/pictaro.1.in ${pictaro_generated}/pictaro.1 @ONLY)

# Debian wants both compressed at the highest level, without a time stamp in the header.
set(pictaro_compressed)
foreach(file ${pictaro_generated}/pictaro.1 ${pictaro_resources}/packaging/changelog)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${pictaro_generated}/${name}.gz
                       COMMAND gzip -9 -n -c ${file} > ${pictaro_generated}/${name}.gz
                       DEPENDS ${file} VERBATIM)
    list(APPEND pictaro_compressed ${pictaro_generated}/${name}.gz)
endforeach()
add_custom_target(pictaro_docs ALL DEPENDS ${pictaro_compressed})

install(FILES ${pictaro_generated}/pictaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pictaro_generated}/${PICTARO_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${pictaro_resources}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${pictaro_resources}/help/index.html DESTINATION ${CMAKE_INSTALL_DATADIR}/pictaro/help)
install(FILES ${pictaro_generated}/pictaro.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pictaro_resources}/pictaro.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME pictaro)
install(FILES ${pictaro_resources}/packaging/copyright ${pictaro_generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pictaro)
