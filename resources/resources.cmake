# What the programs carry inside them: the translations with the core, whose texts they
# are; the window's pictures and its help page with the window. Included by the top
# level, so paths are relative to it.
file(GLOB PICTARO_TRANSLATIONS CONFIGURE_DEPENDS resources/translations/pictaro_*.ts)
qt_add_lrelease(pictaro_core TS_FILES ${PICTARO_TRANSLATIONS} OPTIONS -idbased -silent
                QM_FILES_OUTPUT_VARIABLE PICTARO_QM_FILES)
qt_add_resources(pictaro_core "translations" PREFIX "/i18n" BASE ${CMAKE_CURRENT_BINARY_DIR}
                 FILES ${PICTARO_QM_FILES})

file(GLOB PICTARO_PICTURES RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/resources/pictures
     CONFIGURE_DEPENDS resources/pictures/*.svg resources/pictures/*.png)
list(TRANSFORM PICTARO_PICTURES PREPEND resources/pictures/)
qt_add_resources(pictaro_ui "pictures" PREFIX "/pictures" BASE resources/pictures
                 FILES ${PICTARO_PICTURES})
qt_add_resources(pictaro_ui "help" PREFIX "/help" BASE resources/help FILES resources/help/index.html)
