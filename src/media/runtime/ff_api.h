// The FFmpeg entry points the media engine calls, as one typed table.
//
// Nothing links FFmpeg: the loader (ff_load.h) opens the shared objects at run time and fills the
// table below by name; the headers only give the types. Code of the engine calls through the
// table: `FF().avcodec_open2(ctx, codec, &options)`. Inline helpers of the headers that call no
// library function (av_q2d, av_make_q, av_cmp_q, ...) are used directly.
//
// To use another entry point, add one X(library, name) line to the list of its library.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

// clang-format off
#define TALLOWIN_FF_AVUTIL(X) \
  X(avutil, avutil_version) \
  X(avutil, av_log_set_callback) \
  X(avutil, av_log_set_level) \
  X(avutil, av_log_get_level) \
  X(avutil, av_log_format_line2) \
  X(avutil, av_log_default_callback) \
  X(avutil, av_strerror) \
  X(avutil, av_malloc) \
  X(avutil, av_mallocz) \
  X(avutil, av_realloc_array) \
  X(avutil, av_free) \
  X(avutil, av_freep) \
  X(avutil, av_strdup) \
  X(avutil, av_dict_set) \
  X(avutil, av_dict_set_int) \
  X(avutil, av_dict_get) \
  X(avutil, av_dict_copy) \
  X(avutil, av_dict_count) \
  X(avutil, av_dict_free) \
  X(avutil, av_opt_set) \
  X(avutil, av_opt_set_int) \
  X(avutil, av_opt_set_dict) \
  X(avutil, av_opt_set_dict2) \
  X(avutil, av_opt_find) \
  X(avutil, av_opt_get_int) \
  X(avutil, av_frame_alloc) \
  X(avutil, av_frame_free) \
  X(avutil, av_frame_unref) \
  X(avutil, av_frame_ref) \
  X(avutil, av_frame_clone) \
  X(avutil, av_frame_get_buffer) \
  X(avutil, av_frame_make_writable) \
  X(avutil, av_rescale_q) \
  X(avutil, av_rescale_q_rnd) \
  X(avutil, av_rescale_rnd) \
  X(avutil, av_rescale) \
  X(avutil, av_compare_ts) \
  X(avutil, av_d2q) \
  X(avutil, av_reduce) \
  X(avutil, av_get_pix_fmt) \
  X(avutil, av_get_pix_fmt_name) \
  X(avutil, av_pix_fmt_desc_get) \
  X(avutil, av_get_sample_fmt) \
  X(avutil, av_get_sample_fmt_name) \
  X(avutil, av_get_bytes_per_sample) \
  X(avutil, av_sample_fmt_is_planar) \
  X(avutil, av_get_packed_sample_fmt) \
  X(avutil, av_samples_alloc) \
  X(avutil, av_samples_set_silence) \
  X(avutil, av_channel_layout_default) \
  X(avutil, av_channel_layout_uninit) \
  X(avutil, av_channel_layout_copy) \
  X(avutil, av_channel_layout_compare) \
  X(avutil, av_channel_layout_describe) \
  X(avutil, av_image_get_buffer_size) \
  X(avutil, av_image_fill_arrays) \
  X(avutil, av_image_alloc) \
  X(avutil, av_parse_video_size) \
  X(avutil, av_parse_video_rate) \
  X(avutil, av_parse_time) \
  X(avutil, av_audio_fifo_alloc) \
  X(avutil, av_audio_fifo_free) \
  X(avutil, av_audio_fifo_write) \
  X(avutil, av_audio_fifo_read) \
  X(avutil, av_audio_fifo_size) \
  X(avutil, av_get_media_type_string) \
  X(avutil, av_pix_fmt_desc_next) \
  X(avutil, av_find_nearest_q_idx) \
  X(avutil, av_gettime_relative)

#define TALLOWIN_FF_AVCODEC(X) \
  X(avcodec, avcodec_version) \
  X(avcodec, avcodec_find_decoder) \
  X(avcodec, avcodec_find_decoder_by_name) \
  X(avcodec, avcodec_find_encoder) \
  X(avcodec, avcodec_find_encoder_by_name) \
  X(avcodec, avcodec_find_best_pix_fmt_of_list) \
  X(avcodec, av_codec_iterate) \
  X(avcodec, av_codec_is_encoder) \
  X(avcodec, av_codec_is_decoder) \
  X(avcodec, avcodec_get_name) \
  X(avcodec, avcodec_descriptor_get) \
  X(avcodec, avcodec_descriptor_get_by_name) \
  X(avcodec, avcodec_get_class) \
  X(avcodec, avcodec_alloc_context3) \
  X(avcodec, avcodec_free_context) \
  X(avcodec, avcodec_open2) \
  X(avcodec, avcodec_parameters_alloc) \
  X(avcodec, avcodec_parameters_free) \
  X(avcodec, avcodec_parameters_copy) \
  X(avcodec, avcodec_parameters_to_context) \
  X(avcodec, avcodec_parameters_from_context) \
  X(avcodec, avcodec_send_packet) \
  X(avcodec, avcodec_receive_frame) \
  X(avcodec, avcodec_send_frame) \
  X(avcodec, avcodec_receive_packet) \
  X(avcodec, avcodec_flush_buffers) \
  X(avcodec, av_packet_alloc) \
  X(avcodec, av_packet_free) \
  X(avcodec, av_packet_ref) \
  X(avcodec, av_packet_unref) \
  X(avcodec, av_packet_rescale_ts) \
  X(avcodec, av_get_audio_frame_duration2) \
  X(avcodec, av_bsf_get_by_name) \
  X(avcodec, av_bsf_alloc) \
  X(avcodec, av_bsf_init) \
  X(avcodec, av_bsf_send_packet) \
  X(avcodec, av_bsf_receive_packet) \
  X(avcodec, av_bsf_free) \
  X(avcodec, av_bsf_list_parse_str) \
  X(avcodec, av_packet_get_side_data)

#define TALLOWIN_FF_AVFORMAT(X) \
  X(avformat, avformat_version) \
  X(avformat, avformat_network_init) \
  X(avformat, avformat_alloc_context) \
  X(avformat, avformat_open_input) \
  X(avformat, avformat_find_stream_info) \
  X(avformat, avformat_close_input) \
  X(avformat, avformat_free_context) \
  X(avformat, av_find_best_stream) \
  X(avformat, av_read_frame) \
  X(avformat, av_seek_frame) \
  X(avformat, avformat_seek_file) \
  X(avformat, av_guess_format) \
  X(avformat, av_find_input_format) \
  X(avformat, av_muxer_iterate) \
  X(avformat, av_demuxer_iterate) \
  X(avformat, avformat_alloc_output_context2) \
  X(avformat, avformat_new_stream) \
  X(avformat, avformat_query_codec) \
  X(avformat, avformat_init_output) \
  X(avformat, avformat_write_header) \
  X(avformat, av_interleaved_write_frame) \
  X(avformat, av_write_frame) \
  X(avformat, av_write_trailer) \
  X(avformat, av_dump_format) \
  X(avformat, av_codec_get_tag) \
  X(avformat, av_codec_get_id) \
  X(avformat, avio_open2) \
  X(avformat, avio_closep) \
  X(avformat, avio_size) \
  X(avformat, av_guess_frame_rate) \
  X(avformat, avformat_transfer_internal_stream_timing_info) \
  X(avformat, av_stream_get_codec_timebase) \
  X(avformat, av_guess_sample_aspect_ratio) \
  X(avformat, avformat_get_class) \
  X(avformat, avio_seek) \
  X(avformat, avformat_flush) \
  X(avformat, av_program_add_stream_index)

#define TALLOWIN_FF_AVDEVICE(X) \
  X(avdevice, avdevice_version)

#define TALLOWIN_FF_AVFILTER(X) \
  X(avfilter, avfilter_version) \
  X(avfilter, avfilter_get_by_name) \
  X(avfilter, avfilter_graph_alloc) \
  X(avfilter, avfilter_graph_free) \
  X(avfilter, avfilter_graph_create_filter) \
  X(avfilter, avfilter_graph_parse_ptr) \
  X(avfilter, avfilter_graph_config) \
  X(avfilter, avfilter_inout_alloc) \
  X(avfilter, avfilter_inout_free) \
  X(avfilter, avfilter_link) \
  X(avfilter, av_buffersrc_add_frame_flags) \
  X(avfilter, av_buffersrc_close) \
  X(avfilter, av_buffersrc_parameters_alloc) \
  X(avfilter, av_buffersrc_parameters_set) \
  X(avfilter, av_buffersink_get_frame) \
  X(avfilter, av_buffersink_get_frame_flags) \
  X(avfilter, av_buffersink_set_frame_size) \
  X(avfilter, av_buffersink_get_time_base) \
  X(avfilter, av_buffersink_get_frame_rate) \
  X(avfilter, av_buffersink_get_w) \
  X(avfilter, av_buffersink_get_h) \
  X(avfilter, av_buffersink_get_format) \
  X(avfilter, av_buffersink_get_sample_aspect_ratio) \
  X(avfilter, av_buffersink_get_sample_rate) \
  X(avfilter, av_buffersink_get_ch_layout)

#define TALLOWIN_FF_SWSCALE(X) \
  X(swscale, swscale_version) \
  X(swscale, sws_getContext) \
  X(swscale, sws_getCachedContext) \
  X(swscale, sws_scale) \
  X(swscale, sws_freeContext) \
  X(swscale, sws_get_class)

// The "avcore" role of the old generation (sample conversion and resampling) lives here now.
#define TALLOWIN_FF_SWRESAMPLE(X) \
  X(avcore, swresample_version) \
  X(avcore, swr_alloc) \
  X(avcore, swr_alloc_set_opts2) \
  X(avcore, swr_init) \
  X(avcore, swr_is_initialized) \
  X(avcore, swr_convert) \
  X(avcore, swr_get_delay) \
  X(avcore, swr_get_out_samples) \
  X(avcore, swr_free)

#define TALLOWIN_FF_ALL(X) \
  TALLOWIN_FF_AVUTIL(X) TALLOWIN_FF_AVCODEC(X) TALLOWIN_FF_AVFORMAT(X) TALLOWIN_FF_AVDEVICE(X) \
  TALLOWIN_FF_AVFILTER(X) TALLOWIN_FF_SWSCALE(X) TALLOWIN_FF_SWRESAMPLE(X)
// clang-format on

namespace tallowin::media {

// Every entry point, typed from the headers. Filled by the loader; null until loaded.
struct FFApi {
#define TALLOWIN_FF_MEMBER(library, name) decltype(&::name) name = nullptr;
  TALLOWIN_FF_ALL(TALLOWIN_FF_MEMBER)
#undef TALLOWIN_FF_MEMBER
};

// The table of the loaded libraries. Valid while the loader holds them (ff_load.h).
const FFApi& FF();

}  // namespace tallowin::media
