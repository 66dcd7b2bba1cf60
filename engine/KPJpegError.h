#pragma once

// After the C headers jpeglib.h needs.
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

// libjpeg's error handling for a call into it: an error jumps back to the caller's
// setjmp(jump), so only plain C state may live between the two; warnings are not printed.
struct KPJpegError
{
    jpeg_error_mgr base;
    std::jmp_buf jump;

    // For the `err` of a libjpeg object.
    jpeg_error_mgr* manager()
    {
        jpeg_std_error(&base);
        base.error_exit = [](j_common_ptr info) {
            std::longjmp(reinterpret_cast<KPJpegError*>(info->err)->jump, 1);
        };
        base.emit_message = [](j_common_ptr, int) {};
        return &base;
    }
};
