#include "jpeg_errors.h"

#include <jerror.h>

namespace {

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->recovery, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return; // trace messages
    switch (cinfo->err->msg_code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
        return; // harmless: the picture decodes in full
    default:
        ErrorExit(cinfo);
    }
}

void SilentOutput(j_common_ptr /*cinfo*/) {}

} // namespace

void UseJpegErrors(j_common_ptr cinfo, JpegErrors& errors) {
    cinfo->err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = SilentOutput;
}

bool JpegFileCanHoldBlocks(const jpeg_decompress_struct& cinfo, std::int64_t fileSize) {
    if (cinfo.arith_code) return true;
    double fewestBlocks = -1;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& component = cinfo.comp_info[c];
        const double blocks =
            static_cast<double>(component.width_in_blocks) * component.height_in_blocks;
        if (fewestBlocks < 0 || blocks < fewestBlocks) fewestBlocks = blocks;
    }
    return fewestBlocks <= 8.0 * static_cast<double>(fileSize);
}
