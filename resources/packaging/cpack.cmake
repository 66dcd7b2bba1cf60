# The Debian package, made by CPack from whatever the install rules install
# (scripts/package.sh). Its dependencies on shared libraries come from dpkg-shlibdeps;
# the ones below are what Pictaro loads at run time as Qt plugins, which no binary names.
set(PICTARO_PACKAGE_MAINTAINER "The Pictaro developers <pictaro@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictaro)
set(CPACK_PACKAGE_VENDOR "The Pictaro developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${PICTARO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shrink pictures to fit under a file-size limit")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PICTARO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# TIFF, WebP and ICNS come through Qt's image format plugins; the window's pictures are SVG.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Web forms, shops, forums and mail services often turn away pictures above a
certain file size. Pictaro writes a JPEG copy of every picture of a batch into
an export folder, each copy under a limit such as 500 KB. It lowers the JPEG
quality first and scales a picture down only when it must, never below a
smallest size, or fits each picture with one encoding at the best quality that
fits. The originals are left as they are.

It reads JPEG, PNG, GIF, BMP, TIFF, WebP, HEIC, HEIF, AVIF, icons, Photoshop
documents and camera raw files, and has a window as well as a terminal mode
(pictaro --batch).]=])

include(CPack)
