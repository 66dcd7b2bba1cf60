# Readers for the picture types Qt's own plugins do not cover: Photoshop documents
# through ImageMagick's Magick++, camera raw files through LibRaw, HEIC, HEIF and AVIF
# through libheif. Each is a static Qt image plugin: Qt links a registration object
# into every program that links a static plugin, so QImageReader reads these types
# wherever it is used. LibRaw, libheif and ImageMagick's second reading of the files Qt
# cannot read run in a process of their own, pictaro-decode; exiv2's reading of every
# picture's metadata in another, pictaro-metadata. Both enter a seccomp sandbox
# (libseccomp) before they read a file. The fuzz targets include this file on its own,
# without the core.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui)
find_package(PkgConfig REQUIRED)
pkg_check_modules(PICTARO_MAGICKPP REQUIRED IMPORTED_TARGET Magick++)
pkg_check_modules(PICTARO_LIBRAW REQUIRED IMPORTED_TARGET libraw_r)
pkg_check_modules(PICTARO_LIBHEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(PICTARO_EXIV2 REQUIRED IMPORTED_TARGET exiv2)
pkg_check_modules(PICTARO_SECCOMP REQUIRED IMPORTED_TARGET libseccomp)

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

# LibRaw, libheif and ImageMagick's second reader run in pictaro-decode (see
# pictaro_decode_main.cpp).
add_executable(pictaro_decode_helper
    ${pictaro_formats_dir}/pictaro_decode_main.cpp
    ${pictaro_formats_dir}/KPDecodeReply.h ${pictaro_formats_dir}/KPDecodeReply.cpp
    ${pictaro_formats_dir}/KPRawDeveloper.h ${pictaro_formats_dir}/KPRawDeveloper.cpp
    ${pictaro_formats_dir}/KPLibRaw.h
    ${pictaro_formats_dir}/KPHeifDecoder.h ${pictaro_formats_dir}/KPHeifDecoder.cpp
    ${pictaro_formats_dir}/KPMagickDecoder.h ${pictaro_formats_dir}/KPMagickDecoder.cpp
    ${pictaro_formats_dir}/KPMagickColour.h ${pictaro_formats_dir}/KPMagickColour.cpp
    ${pictaro_formats_dir}/KPIcnsLayout.h ${pictaro_formats_dir}/KPIcnsLayout.cpp
    ${pictaro_formats_dir}/KPIcoLayout.h ${pictaro_formats_dir}/KPIcoLayout.cpp
    ${pictaro_formats_dir}/KPHelperLimits.h ${pictaro_formats_dir}/KPHelperLimits.cpp
    ${pictaro_formats_dir}/KPHelperSandbox.h ${pictaro_formats_dir}/KPHelperSandbox.cpp
)
set_target_properties(pictaro_decode_helper PROPERTIES OUTPUT_NAME pictaro-decode AUTOMOC OFF)
target_include_directories(pictaro_decode_helper PRIVATE ${pictaro_formats_root})
target_link_libraries(pictaro_decode_helper PRIVATE Qt6::Gui PkgConfig::PICTARO_LIBRAW
                      PkgConfig::PICTARO_LIBHEIF PkgConfig::PICTARO_MAGICKPP
                      PkgConfig::PICTARO_SECCOMP)

# exiv2 runs in pictaro-metadata (see pictaro_metadata_main.cpp), which starts quickly
# since it links only Qt Core, exiv2 and libheif.
add_executable(pictaro_metadata_helper
    ${pictaro_formats_dir}/pictaro_metadata_main.cpp
    ${pictaro_formats_dir}/KPMetadataReply.h ${pictaro_formats_dir}/KPMetadataReply.cpp
    ${pictaro_formats_dir}/KPMetadataFilter.h ${pictaro_formats_dir}/KPMetadataFilter.cpp
    ${pictaro_formats_dir}/KPLocationTags.h ${pictaro_formats_dir}/KPLocationTags.cpp
    ${pictaro_formats_dir}/KPJpegLayout.h ${pictaro_formats_dir}/KPJpegLayout.cpp
    ${pictaro_formats_dir}/KPHelperLimits.h ${pictaro_formats_dir}/KPHelperLimits.cpp
    ${pictaro_formats_dir}/KPHelperSandbox.h ${pictaro_formats_dir}/KPHelperSandbox.cpp
)
set_target_properties(pictaro_metadata_helper PROPERTIES OUTPUT_NAME pictaro-metadata AUTOMOC OFF)
target_include_directories(pictaro_metadata_helper PRIVATE ${pictaro_formats_root})
target_link_libraries(pictaro_metadata_helper PRIVATE Qt6::Core PkgConfig::PICTARO_LIBHEIF
                      PkgConfig::PICTARO_EXIV2 PkgConfig::PICTARO_SECCOMP)
include(GNUInstallDirs)
install(TARGETS pictaro_decode_helper pictaro_metadata_helper
        RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/pictaro)

# What the core and the plugins share: the client of pictaro-decode, and the handler
# of the types decoded there.
add_library(pictaro_formats_support STATIC
    ${pictaro_formats_dir}/KPDeviceBytes.h ${pictaro_formats_dir}/KPDeviceBytes.cpp
    ${pictaro_formats_dir}/KPDecodeReply.h ${pictaro_formats_dir}/KPDecodeReply.cpp
    ${pictaro_formats_dir}/KPDecodeHelper.h ${pictaro_formats_dir}/KPDecodeHelper.cpp
    ${pictaro_formats_dir}/KPMetadataReply.h ${pictaro_formats_dir}/KPMetadataReply.cpp
    ${pictaro_formats_dir}/KPChildProcess.h ${pictaro_formats_dir}/KPChildProcess.cpp
    ${pictaro_formats_dir}/KPHelperHandler.h ${pictaro_formats_dir}/KPHelperHandler.cpp
    ${pictaro_formats_dir}/KPIcnsLayout.h ${pictaro_formats_dir}/KPIcnsLayout.cpp
    ${pictaro_formats_dir}/KPIcoLayout.h ${pictaro_formats_dir}/KPIcoLayout.cpp
)
target_include_directories(pictaro_formats_support PUBLIC ${pictaro_formats_root})
target_link_libraries(pictaro_formats_support PUBLIC Qt6::Gui)
target_compile_definitions(pictaro_formats_support PRIVATE
    PICTARO_DECODE_HELPER_BUILD_PATH="$<TARGET_FILE:pictaro_decode_helper>"
    PICTARO_DECODE_HELPER_INSTALL_PATH="${CMAKE_INSTALL_FULL_LIBEXECDIR}/pictaro/pictaro-decode"
    PICTARO_METADATA_HELPER_BUILD_PATH="$<TARGET_FILE:pictaro_metadata_helper>"
    PICTARO_METADATA_HELPER_INSTALL_PATH="${CMAKE_INSTALL_FULL_LIBEXECDIR}/pictaro/pictaro-metadata")
add_dependencies(pictaro_formats_support pictaro_decode_helper pictaro_metadata_helper)

qt_add_plugin(pictaro_psd STATIC CLASS_NAME KPPsdPlugin PLUGIN_TYPE imageformats)
target_sources(pictaro_psd PRIVATE
    ${pictaro_formats_dir}/KPPsdPlugin.h ${pictaro_formats_dir}/KPPsdPlugin.cpp
    ${pictaro_formats_dir}/KPPsdHandler.h ${pictaro_formats_dir}/KPPsdHandler.cpp
    ${pictaro_formats_dir}/KPPsdLayout.h ${pictaro_formats_dir}/KPPsdLayout.cpp
    ${pictaro_formats_dir}/KPMagickColour.h ${pictaro_formats_dir}/KPMagickColour.cpp
)
target_link_libraries(pictaro_psd PUBLIC Qt6::Gui PRIVATE pictaro_formats_support
                      PkgConfig::PICTARO_MAGICKPP)

qt_add_plugin(pictaro_raw STATIC CLASS_NAME KPRawPlugin PLUGIN_TYPE imageformats)
target_sources(pictaro_raw PRIVATE
    ${pictaro_formats_dir}/KPRawPlugin.h ${pictaro_formats_dir}/KPRawPlugin.cpp
    ${pictaro_formats_dir}/KPRawHandler.h ${pictaro_formats_dir}/KPRawHandler.cpp
)
target_link_libraries(pictaro_raw PUBLIC Qt6::Gui PRIVATE pictaro_formats_support)

qt_add_plugin(pictaro_heif STATIC CLASS_NAME KPHeifPlugin PLUGIN_TYPE imageformats)
target_sources(pictaro_heif PRIVATE
    ${pictaro_formats_dir}/KPHeifPlugin.h ${pictaro_formats_dir}/KPHeifPlugin.cpp
)
target_link_libraries(pictaro_heif PUBLIC Qt6::Gui PRIVATE pictaro_formats_support)

set_target_properties(pictaro_psd pictaro_raw pictaro_heif PROPERTIES AUTOMOC ON)

if(TARGET pictaro_core)
    target_link_libraries(pictaro_core PUBLIC pictaro_psd pictaro_raw pictaro_heif
                          pictaro_formats_support)
endif()
