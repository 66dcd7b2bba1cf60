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
    image/webp
    image/heif
    image/heic
    image/avif
    image/x-dcraw
    image/x-adobe-dng
    image/x-canon-cr2
    image/x-canon-cr3
    image/x-canon-crw
    image/x-nikon-nef
    image/x-nikon-nrw
    image/x-sony-arw
    image/x-sony-srf
    image/x-sony-sr2
    image/x-fuji-raf
    image/x-olympus-orf
    image/x-panasonic-rw2
    image/x-pentax-pef
    image/x-samsung-srw
    image/x-sigma-x3f
    image/x-kodak-kdc
    image/x-minolta-mrw
)
