# Readers for the picture types Qt's own plugins do not cover: Photoshop documents
# through ImageMagick's Magick++, camera raw files through LibRaw. Each is a static Qt
# image plugin. Qt links a registration object into every program that links a static
# plugin, so QImageReader reads these types the same way in the engine, the thumbnails
# and the preview. The fuzz targets include this file on its own, without the core.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui)
find_package(PkgConfig REQUIRED)
pkg_check_modules(PICTARO_MAGICKPP REQUIRED IMPORTED_TARGET Magick++)
pkg_check_modules(PICTARO_LIBRAW REQUIRED IMPORTED_TARGET libraw_r)

# Magick++'s flags ask for OpenMP, which only ImageMagick's own libraries use (and link
# themselves); left in, clang builds would also need its OpenMP runtime.
foreach(property INTERFACE_COMPILE_OPTIONS INTERFACE_LINK_OPTIONS INTERFACE_LINK_LIBRARIES)
    get_target_property(values PkgConfig::PICTARO_MAGICKPP ${property})
    if(values)
        list(REMOVE_ITEM values -fopenmp)
        set_target_properties(PkgConfig::PICTARO_MAGICKPP PROPERTIES ${property} "${values}")
    endif()
endforeach()

set(pictaro_formats_dir ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(pictaro_formats_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)

add_library(pictaro_formats_support STATIC
    ${pictaro_formats_dir}/KPDeviceBytes.h ${pictaro_formats_dir}/KPDeviceBytes.cpp
)
target_include_directories(pictaro_formats_support PUBLIC ${pictaro_formats_root})
target_link_libraries(pictaro_formats_support PUBLIC Qt6::Core)

qt_add_plugin(pictaro_psd STATIC CLASS_NAME KPPsdPlugin PLUGIN_TYPE imageformats)
target_sources(pictaro_psd PRIVATE
    ${pictaro_formats_dir}/KPPsdPlugin.h ${pictaro_formats_dir}/KPPsdPlugin.cpp
    ${pictaro_formats_dir}/KPPsdHandler.h ${pictaro_formats_dir}/KPPsdHandler.cpp
    ${pictaro_formats_dir}/KPPsdLayout.h ${pictaro_formats_dir}/KPPsdLayout.cpp
)
target_link_libraries(pictaro_psd PUBLIC Qt6::Gui PRIVATE pictaro_formats_support
                      PkgConfig::PICTARO_MAGICKPP)

# LibRaw runs in a process of its own, pictaro-raw (see KPRawDeveloper.h).
add_executable(pictaro_raw_helper
    ${pictaro_formats_dir}/pictaro_raw_main.cpp
    ${pictaro_formats_dir}/KPRawDeveloper.h ${pictaro_formats_dir}/KPRawDeveloper.cpp
    ${pictaro_formats_dir}/KPRawReply.h ${pictaro_formats_dir}/KPRawReply.cpp
    ${pictaro_formats_dir}/KPLibRaw.h
)
set_target_properties(pictaro_raw_helper PROPERTIES OUTPUT_NAME pictaro-raw)
target_include_directories(pictaro_raw_helper PRIVATE ${pictaro_formats_root})
target_link_libraries(pictaro_raw_helper PRIVATE Qt6::Core PkgConfig::PICTARO_LIBRAW)
include(GNUInstallDirs)
install(TARGETS pictaro_raw_helper RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/pictaro)

qt_add_plugin(pictaro_raw STATIC CLASS_NAME KPRawPlugin PLUGIN_TYPE imageformats)
target_sources(pictaro_raw PRIVATE
    ${pictaro_formats_dir}/KPRawPlugin.h ${pictaro_formats_dir}/KPRawPlugin.cpp
    ${pictaro_formats_dir}/KPRawHandler.h ${pictaro_formats_dir}/KPRawHandler.cpp
    ${pictaro_formats_dir}/KPRawReply.h ${pictaro_formats_dir}/KPRawReply.cpp
)
target_link_libraries(pictaro_raw PUBLIC Qt6::Gui PRIVATE pictaro_formats_support)
target_compile_definitions(pictaro_raw PRIVATE
    PICTARO_RAW_HELPER_BUILD_PATH="$<TARGET_FILE:pictaro_raw_helper>"
    PICTARO_RAW_HELPER_INSTALL_PATH="${CMAKE_INSTALL_FULL_LIBEXECDIR}/pictaro/pictaro-raw")
add_dependencies(pictaro_raw pictaro_raw_helper)

set_target_properties(pictaro_psd pictaro_raw PROPERTIES AUTOMOC ON)

if(TARGET pictaro_core)
    target_link_libraries(pictaro_core PUBLIC pictaro_psd pictaro_raw)
endif()
