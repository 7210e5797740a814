// The text work between the requests of one video's download: the title and the information
// record's address taken out of the video's page, the stream addresses taken out of the record,
// the record's escaped text, and the name under which a downloaded video is saved.
#pragma once

#include <string>

#include "shell/global_vars.h"

namespace tallowin::download {

// The video service's host name for the information record.
inline constexpr char kVideoServiceHost[] = "www.youtube.com";

// The content of the page's first <meta name="title" content="..."> element (empty when there
// is none). Not entity-decoded: callers pass it through DecodeHtmlEntities.
std::string ExtractVideoTitle(const std::string& page);

// "http://www.youtube.com/get_video_info?" followed by the page's "video_id=..." marker up to the
// escaped ampersand (\u0026) after it, with every escaped ampersand removed; the address ends in
// "?" when the page has no marker.
std::string MakeInfoRecordURL(const std::string& page);

// "+" becomes a space; "%" takes the next two characters (fewer at the end) as a hexadecimal
// number and appends that byte when it is 1 to 255, nothing otherwise. Every other byte is kept.
std::string UnescapeURL(const std::string& text);

// Clears DefaultStreamURL and the eight QualityStreamURL entries.
void ClearStreamURLs(TGlobalVars& vars);

// Fills DefaultStreamURL and QualityStreamURL from the record's url_encoded_fmt_stream_map.
// Streams with an unknown itag are ignored; a stream piece without "&itag=" or whose itag is not
// a plain decimal number is skipped and the pieces after it are still read. Addresses of a record
// without the key stay as they were (callers clear them first).
void ParseStreamMap(const std::string& record, TGlobalVars& vars);

// QualityStreamURL[type], or "" for a number outside 0 to 7.
std::string StreamURLForType(const TGlobalVars& vars, int type);

// The full path of the file to write: `folder` with a trailing "/" and the sanitised name
// title + extension, made unique in that folder ("T.mp4", then "T(1).mp4", ...). Control
// characters of the title become "_" too, and a title too long for a file name is cut.
std::string VideoFileName(const std::string& title, const std::string& extension,
                          const std::string& folder);

}  // namespace tallowin::download
