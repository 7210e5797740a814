// The video links of Step5 as plain text: the test that tells a video link from any other
// address, the clipboard's text broken into one candidate link per line, and the check that
// decides whether a link may join the list. No widgets, so the download queue and the command
// line use the same rules as the page.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace tallowin::download {

// The video service's domain; any address that contains it counts.
inline constexpr char kVideoServiceDomain[] = "youtube.com";
// The service's share links ("https://youtu.be/<id>") do not contain the domain.
inline constexpr char kVideoShareDomain[] = "youtu.be/";

inline constexpr char kNotVideoLinkText[] = "This is not a YouTube video link.";
inline constexpr char kAlreadyListedText[] = "This video is already in the download list.";

// True when the text, in lower case, contains "http" and the service's domain (or its share
// domain) anywhere. Nothing else is looked at: position, path and video identifier are free.
bool IsVideoLink(const std::string& text);

// Breaks text into lines at carriage returns and line feeds, dropping empty lines. A single or
// double quote opens a stretch that lasts to the next occurrence of the same character; line
// breaks inside it stay in the line, and the quotes themselves stay too. Spaces are kept.
std::vector<std::string> SplitLinkLines(const std::string& text);

enum class TLinkCheck { Accepted, NotVideoLink, AlreadyListed };

// Whether `text` may be added to a list that holds `listed`: it must pass IsVideoLink and must
// not equal a listed text exactly (letter case counts).
TLinkCheck CheckVideoLink(const std::string& text, std::span<const std::string> listed);

// The message that explains a refusal: the text, a blank line and the reason. Empty for
// TLinkCheck::Accepted.
std::string LinkRefusalMessage(const std::string& text, TLinkCheck check);

// True for a text that the system's web browser may be asked to open: it starts with "http://"
// or "https://" in any letter case. Other texts that pass IsVideoLink (a "file:" address, a
// command line) are never handed to the desktop.
bool IsWebAddress(const std::string& text);

}  // namespace tallowin::download
