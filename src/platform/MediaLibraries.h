#pragma once
// The image and movie libraries, opened when a command first reads or writes an
// image or a movie. Include this after the libraries' own headers; code in
// namespace fw then calls them as usual.

#include "platform/LazyLibrary.h"

namespace fw {

LazyLibrary& freeImageLibrary();
LazyLibrary& avFormatLibrary();  // with libavcodec and libavutil, which it loads
LazyLibrary& swScaleLibrary();

}  // namespace fw

#ifdef FREEIMAGE_H
namespace fw {
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_AcquireMemory)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_Allocate)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_AllocateT)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_Clone)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_CloseMemory)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_ConvertTo24Bits)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_ConvertTo32Bits)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_ConvertToStandardType)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_FIFSupportsReading)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_GetFIFFromFilename)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_GetFileType)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_GetHeight)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_GetImageType)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_GetScanLine)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_GetWidth)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_Load)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_LoadFromMemory)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_OpenMemory)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_Save)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_SaveToMemory)
FW_LAZY_FUNCTION(freeImageLibrary, FreeImage_Unload)
}  // namespace fw
#endif

#ifdef AVFORMAT_AVFORMAT_H
namespace fw {
FW_LAZY_FUNCTION(avFormatLibrary, av_channel_layout_default)
FW_LAZY_FUNCTION(avFormatLibrary, av_d2q)
FW_LAZY_FUNCTION(avFormatLibrary, av_dict_free)
FW_LAZY_FUNCTION(avFormatLibrary, av_dict_set)
FW_LAZY_FUNCTION(avFormatLibrary, av_find_best_stream)
FW_LAZY_FUNCTION(avFormatLibrary, av_frame_alloc)
FW_LAZY_FUNCTION(avFormatLibrary, av_frame_free)
FW_LAZY_FUNCTION(avFormatLibrary, av_frame_get_buffer)
FW_LAZY_FUNCTION(avFormatLibrary, av_frame_make_writable)
FW_LAZY_FUNCTION(avFormatLibrary, av_frame_unref)
FW_LAZY_FUNCTION(avFormatLibrary, av_guess_frame_rate)
FW_LAZY_FUNCTION(avFormatLibrary, av_interleaved_write_frame)
FW_LAZY_FUNCTION(avFormatLibrary, av_log_set_level)
FW_LAZY_FUNCTION(avFormatLibrary, av_mallocz)
FW_LAZY_FUNCTION(avFormatLibrary, av_new_packet)
FW_LAZY_FUNCTION(avFormatLibrary, av_packet_alloc)
FW_LAZY_FUNCTION(avFormatLibrary, av_packet_free)
FW_LAZY_FUNCTION(avFormatLibrary, av_packet_rescale_ts)
FW_LAZY_FUNCTION(avFormatLibrary, av_packet_unref)
FW_LAZY_FUNCTION(avFormatLibrary, av_read_frame)
FW_LAZY_FUNCTION(avFormatLibrary, av_rescale_q)
FW_LAZY_FUNCTION(avFormatLibrary, av_seek_frame)
FW_LAZY_FUNCTION(avFormatLibrary, av_strerror)
FW_LAZY_FUNCTION(avFormatLibrary, av_write_frame)
FW_LAZY_FUNCTION(avFormatLibrary, av_write_trailer)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_alloc_context3)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_find_encoder)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_find_encoder_by_name)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_flush_buffers)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_free_context)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_open2)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_parameters_from_context)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_parameters_to_context)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_receive_frame)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_receive_packet)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_send_frame)
FW_LAZY_FUNCTION(avFormatLibrary, avcodec_send_packet)
FW_LAZY_FUNCTION(avFormatLibrary, avformat_alloc_output_context2)
FW_LAZY_FUNCTION(avFormatLibrary, avformat_close_input)
FW_LAZY_FUNCTION(avFormatLibrary, avformat_find_stream_info)
FW_LAZY_FUNCTION(avFormatLibrary, avformat_free_context)
FW_LAZY_FUNCTION(avFormatLibrary, avformat_new_stream)
FW_LAZY_FUNCTION(avFormatLibrary, avformat_open_input)
FW_LAZY_FUNCTION(avFormatLibrary, avformat_write_header)
FW_LAZY_FUNCTION(avFormatLibrary, avio_closep)
FW_LAZY_FUNCTION(avFormatLibrary, avio_open)
}  // namespace fw
#endif

#ifdef SWSCALE_SWSCALE_H
namespace fw {
FW_LAZY_FUNCTION(swScaleLibrary, sws_freeContext)
FW_LAZY_FUNCTION(swScaleLibrary, sws_getCachedContext)
FW_LAZY_FUNCTION(swScaleLibrary, sws_getContext)
FW_LAZY_FUNCTION(swScaleLibrary, sws_scale)
}  // namespace fw
#endif
