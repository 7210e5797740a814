// The download path's text work on an arbitrary page and information record: the title, the
// record's address, the stream map and the saved file's name. The name stays a single name in
// the chosen folder, and unescaping undoes the transfer component's escaping.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "download/stream_map.h"
#include "fuzz_support.h"
#include "net/url_helpers.h"
#include "shell/global_vars.h"
#include "shell/util_funcs.h"

using namespace tallowin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The first NUL splits the input into the page and the record.
  const size_t split = text.find('\0');
  const std::string page = text.substr(0, split);
  const std::string record = split == std::string::npos ? text : text.substr(split + 1);

  const std::string title = DecodeHtmlEntities(download::ExtractVideoTitle(page));
  if (download::MakeInfoRecordURL(page).rfind("http://www.youtube.com/get_video_info?", 0) != 0)
    std::abort();

  TGlobalVars vars;
  download::ClearStreamURLs(vars);
  download::ParseStreamMap(record, vars);
  for (int type = -1; type <= 8; ++type) (void)download::StreamURLForType(vars, type);

  const std::string folder = fuzz::ScratchDir().string() + "/";
  const std::string file = download::VideoFileName(title, ".mp4", folder);
  if (file.compare(0, folder.size(), folder) != 0) std::abort();
  const std::string name = file.substr(folder.size());
  if (name.empty() || name.size() > 255 || name == "." || name == "..") std::abort();
  for (const char c : name)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20) std::abort();

  if (text.find('\0') == std::string::npos &&
      download::UnescapeURL(net::EscapeURLExtra(text)) != text)
    std::abort();
  return 0;
}
