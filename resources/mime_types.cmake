# The MIME types of the pictures Pictaro opens: the desktop entry and the AppStream
# metadata are both made from this one list, so file managers and software centres agree.
# A new picture type is one more line here (its canonical name, and an alias only when
# file managers still hand out the alias).
set(PICTARO_MIME_TYPES
    image/jpeg
    image/png
    image/gif
    image/bmp
    image/x-bmp
    image/x-ms-bmp
    image/tiff
    image/x-icon
    image/vnd.microsoft.icon
    image/x-icns
    image/vnd.adobe.photoshop
    image/x-psd
    image/x-panasonic-rw
    image/x-panasonic-raw
)
