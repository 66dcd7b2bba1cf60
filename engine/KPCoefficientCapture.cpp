#include "engine/KPCoefficientCapture.h"

#include "engine/KPForwardDct.h"
#include "engine/KPJpegError.h"
#include "engine/KPJpegPixels.h"

#include <algorithm>

// After jpeglib.h: the shape of libjpeg's coefficient controller, whose place the capture
// takes to receive the downsampled rows.
#include <jpegint.h>

namespace {
constexpr int BlockSize = KPForwardDct::BlockSize;

// The headers libjpeg writes while the rows go through are of no use here.
struct DiscardDestination
{
    jpeg_destination_mgr base{};
    std::array<JOCTET, 4096> buffer{};
};

void discardInit(j_compress_ptr info)
{
    auto* dest = reinterpret_cast<DiscardDestination*>(info->dest);
    dest->base.next_output_byte = dest->buffer.data();
    dest->base.free_in_buffer = dest->buffer.size();
}

boolean discardEmpty(j_compress_ptr info)
{
    discardInit(info);
    return TRUE;
}

void discardTerm(j_compress_ptr) {}

// Takes the place of libjpeg's coefficient controller: it is handed each row of MCUs as
// the encoder would code it, colour converted and downsampled.
struct CaptureController
{
    jpeg_c_coef_controller base{};
    std::int16_t* next = nullptr;
    std::int16_t* end = nullptr;
    JDIMENSION row = 0;
    bool overrun = false;
};

void captureStartPass(j_compress_ptr, J_BUF_MODE) {}

boolean captureData(j_compress_ptr info, JSAMPIMAGE input)
{
    auto* capture = reinterpret_cast<CaptureController*>(info->coef);
    const JDIMENSION lastColumn = info->MCUs_per_row - 1;
    const JDIMENSION lastRow = info->total_iMCU_rows - 1;
    const auto need = std::ptrdiff_t(info->MCUs_per_row) * info->blocks_in_MCU * BlockSize;
    if (capture->end - capture->next < need) {
        capture->overrun = true;
        return TRUE;
    }
    for (JDIMENSION column = 0; column <= lastColumn; ++column) {
        const std::int16_t* previous = nullptr;
        for (int ci = 0; ci < info->comps_in_scan; ++ci) {
            jpeg_component_info* component = info->cur_comp_info[ci];
            const int real = column < lastColumn ? component->MCU_width : component->last_col_width;
            const JDIMENSION x = column * JDIMENSION(component->MCU_sample_width);
            for (int y = 0; y < component->MCU_height; ++y) {
                const bool realRow = capture->row < lastRow || y < component->last_row_height;
                const JSAMPARRAY rows = input[component->component_index] + y * DCTSIZE;
                for (int b = 0; b < component->MCU_width; ++b) {
                    std::int16_t* block = capture->next;
                    capture->next += BlockSize;
                    if (realRow && b < real) {
                        KPForwardDct::transform(rows, x + JDIMENSION(b * DCTSIZE), block);
                    } else {
                        std::fill(block, block + BlockSize, std::int16_t(0));
                        block[0] = previous ? previous[0] : std::int16_t(0);
                    }
                    previous = block;
                }
            }
        }
    }
    ++capture->row;
    return TRUE;
}

// Whether libjpeg laid the picture out as the capture expects, and if so that layout.
bool takeLayout(const jpeg_compress_struct& info, KPCoefficientCapture::Layout& layout)
{
    const bool expected = info.comps_in_scan == info.num_components &&
                          info.blocks_in_MCU <= int(layout.componentOf.size()) &&
                          info.max_v_samp_factor * DCTSIZE == KPCoefficientCapture::McuRows &&
                          info.num_components <= int(layout.tableOf.size());
    if (!expected)
        return false;
    layout.mcusPerRow = info.MCUs_per_row;
    layout.blocksPerMcu = info.blocks_in_MCU;
    layout.components = info.num_components;
    for (int b = 0; b < info.blocks_in_MCU; ++b)
        layout.componentOf[size_t(b)] = info.MCU_membership[b];
    for (int c = 0; c < info.num_components; ++c)
        layout.tableOf[size_t(c)] = info.cur_comp_info[c]->quant_tbl_no == 0 ? 0 : 1;
    return true;
}
} // namespace

// Plain C state only between setjmp and longjmp.
bool KPCoefficientCapture::capture(const uchar* bits, qsizetype stride, int width, int count,
                                   std::int16_t* out, std::int16_t* end,
                                   const std::function<bool()>* cancelled, Layout& layout)
{
    jpeg_compress_struct info{};
    KPJpegError error{};
    DiscardDestination destination;
    CaptureController capture;
    info.err = error.manager();
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    destination.base.init_destination = discardInit;
    destination.base.empty_output_buffer = discardEmpty;
    destination.base.term_destination = discardTerm;
    info.dest = &destination.base;
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(count);
    info.input_components = 4;
    info.in_color_space = KPJpegPixels::Rgb32;
    jpeg_set_defaults(&info);
    // The same set-up as the encoder's; the tables do not matter, nothing is quantised.
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 2;
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = FALSE;
    jpeg_start_compress(&info, TRUE);
    if (!takeLayout(info, layout)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    capture.base.start_pass = captureStartPass;
    capture.base.compress_data = captureData;
    capture.next = out;
    capture.end = end;
    info.coef = &capture.base;
    while (info.next_scanline < info.image_height) {
        if (cancelled && (*cancelled)()) {
            jpeg_destroy_compress(&info);
            return false;
        }
        JSAMPROW lines[McuRows];
        const int want = int(std::min<JDIMENSION>(McuRows, info.image_height - info.next_scanline));
        for (int i = 0; i < want; ++i)
            lines[i] =
                const_cast<uchar*>(bits + stride * qsizetype(info.next_scanline + JDIMENSION(i)));
        jpeg_write_scanlines(&info, lines, JDIMENSION(want));
    }
    const bool whole = !capture.overrun && capture.row == info.total_iMCU_rows;
    jpeg_destroy_compress(&info);
    return whole;
}
