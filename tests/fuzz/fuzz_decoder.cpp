// The decoder on an arbitrary file, used as the input list uses it: open, read the stream
// facts, seek to the middle, decode a picture and convert it; then a few more pictures from the
// start. Failure is fine, a crash, a hang or unbounded memory is not.
#include <cstdint>
#include <string>

#include "fuzz_media.h"
#include "fuzz_support.h"
#include "media/components/ff_decode.h"
#include "media/picture/bitmap.h"

using namespace tallowin::media;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tallowin::fuzz::StartMedia();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = tallowin::fuzz::WriteScratchFile("input.bin", data, size);
  TFFDecoder decoder;
  if (!decoder.LoadFile(path)) return 0;
  TDecoderFileCloser close(decoder);
  TFileStreamInfo file;
  decoder.GetFileStreamInfo(file);
  TVideoStreamInfo video;
  decoder.GetVideoStreamInfo(decoder.FirstVideoStream(), video);
  TAudioStreamInfo audio;
  decoder.GetAudioStreamInfo(decoder.FirstAudioStream(), audio);
  const int stream = decoder.FirstVideoStream();
  if (stream < 0) return 0;
  TBitmap bitmap;
  if (decoder.Seek(0, file.Duration > 0 ? file.Duration / 2 : 0) && decoder.Decode(stream))
    decoder.CopyToBitmap(bitmap);
  if (decoder.Seek(0, 0))
    for (int i = 0; i < 4 && decoder.Decode(stream); ++i) decoder.CopyToBitmap(bitmap);
  return 0;
}
