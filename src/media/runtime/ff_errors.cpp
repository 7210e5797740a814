#include "media/runtime/ff_errors.h"

#include <cerrno>
#include <cstring>

extern "C" {
#include <libavutil/error.h>
}

namespace tallowin::media {

std::string ErrorCodeText(int code) {
  switch (code) {
    case AVERROR_BSF_NOT_FOUND:
      return "Bitstream filter not found";
    case AVERROR_DECODER_NOT_FOUND:
      return "Decoder not found";
    case AVERROR_DEMUXER_NOT_FOUND:
      return "Demuxer not found";
    case AVERROR_ENCODER_NOT_FOUND:
      return "Encoder not found";
    case AVERROR_FILTER_NOT_FOUND:
      return "Filter not found";
    case AVERROR_MUXER_NOT_FOUND:
      return "Muxer not found";
    case AVERROR_PATCHWELCOME:
      return "Not yet implemented in FFmpeg";
    case AVERROR_PROTOCOL_NOT_FOUND:
      return "Protocol not found";
    case AVERROR_STREAM_NOT_FOUND:
      return "Stream not found";
    case AVERROR_EOF:
      return "End of file";
    case AVERROR_INVALIDDATA:
      return "Invalid data found when processing input";
    case AVERROR_EXIT:
      return "Immediate exit requested";
    case AVERROR_EXTERNAL:
      return "Generic error in an external library";
    case AVERROR_BUG:
    case AVERROR_BUG2:
      return "Internal bug, should not have happened";
    case AVERROR_OPTION_NOT_FOUND:
      return "Option not found";
    case AVERROR_UNKNOWN:
      return "Unknown error occurred";
    // The old generation's names for these two error numbers.
    case AVERROR(EDOM):
      return "Number syntax expected in filename";
    case AVERROR(EILSEQ):
      return "Unknown format";
    default:
      break;
  }
  if (code < 0 && code > -4096) {
    char buffer[256] = {};
    // The GNU variant returns the text, which may or may not live in the buffer.
    const char* text = strerror_r(-code, buffer, sizeof buffer);
    if (text && *text && std::strncmp(text, "Unknown error", 13) != 0) return text;
  }
  return "Error number " + std::to_string(code) + " occurred";
}

std::string FileErrorText(const std::string& file, int code) {
  return file + ": " + ErrorCodeText(code);
}

}  // namespace tallowin::media
