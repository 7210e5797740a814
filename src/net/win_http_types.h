// Option sets, helper records and event signatures of the HTTP transfer component.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "net/streams.h"
#include "net/url_helpers.h"

namespace tallowin::net {

// A small set of enumeration values (at most 32).
template <typename E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values) Include(v);
  }
  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr void Include(E v) { bits_ |= Bit(v); }
  constexpr void Exclude(E v) { bits_ &= ~Bit(v); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TSet& other) const = default;

 private:
  static constexpr std::uint32_t Bit(E v) { return 1u << static_cast<unsigned>(v); }
  std::uint32_t bits_ = 0;
};

enum class TWinHTTPRequestMethod { rmAutoDetect, rmGET, rmPOST };
enum class TWinHTTPAccessType { atPreconfig, atDirect, atUseProxy };

// There is no cache in this client: only coPragmaNoCache changes the request (it asks proxies not
// to answer from theirs); the others are kept for the component's interface.
enum class TCacheOption {
  coAlwaysReload,
  coReloadIfNoExpireInformation,
  coReloadUpdatedObjects,
  coPragmaNoCache,
  coNoCacheWrite,
  coCreateTempFilesIfCantCache,
  coUseCacheIfNetFail,
};
using TCacheOptions = TSet<TCacheOption>;

enum class TInternetOption {
  ioIgnoreCertificateInvalid,           // accept a certificate whose name does not match the host
  ioIgnoreCertificateDateInvalid,       // not available with this TLS stack: ignored
  ioIgnoreUnknownCertificateAuthority,  // accept certificates that no known authority signed
  ioIgnoreRedirectToHTTP,               // allow redirects from https to http
  ioIgnoreRedirectToHTTPS,              // allow redirects from http to https (always allowed)
  ioKeepConnection,                     // keep-alive
  ioNoAuthentication,                   // no authentication negotiation (Basic only)
  ioNoAutoRedirect,                     // do not follow redirects
  ioNoCookies,                          // no cookie engine, not even within one transfer
};
using TInternetOptions = TSet<TInternetOption>;

enum class TWinHTTPFileAttribute {
  atrArchive,
  atrHidden,
  atrReadOnly,
  atrSystem,
  atrTemporary,
  atrOffline
};
using TWinHTTPFileAttributes = TSet<TWinHTTPFileAttribute>;

// The helper records copy by assignment; assigning a default-constructed one restores defaults.
struct TWinHTTPProxy {
  TWinHTTPAccessType AccessType = TWinHTTPAccessType::atPreconfig;
  int ProxyPort = 8080;
  std::string ProxyServer;
  std::string ProxyBypass = "127.0.0.1;";
  std::string ProxyUsername;
  std::string ProxyPassword;
};

struct TWinHTTPRange {
  std::uint32_t StartRange = 0;
  std::uint32_t EndRange = 0;
};

// What a time limit of 0 stands for: a transfer never waits without end.
inline constexpr std::uint32_t kDefaultConnectTimeout = 60000;  // ms
inline constexpr std::uint32_t kDefaultReceiveTimeout = 60000;  // ms

struct TWinHTTPTimeouts {
  std::uint32_t ConnectTimeout = 0;  // ms; 0 means kDefaultConnectTimeout
  std::uint32_t ReceiveTimeout = 0;  // ms without a header line or body bytes arriving once the
                                     // request is sent; 0 means kDefaultReceiveTimeout
  std::uint32_t SendTimeout = 0;     // ms for sending the request once connected; 0: none
  // A transfer that receives fewer than LowSpeedLimit bytes per second, averaged over
  // LowSpeedTime ms, ends as one that stopped (a server trickling a byte now and then).
  // Either 0 turns the check off.
  std::uint32_t LowSpeedLimit = 16;    // bytes per second
  std::uint32_t LowSpeedTime = 60000;  // ms
};

struct TWinHTTPOutputFileAttributes {
  TWinHTTPFileAttributes Complete{TWinHTTPFileAttribute::atrArchive};
  TWinHTTPFileAttributes Incomplete{TWinHTTPFileAttribute::atrArchive,
                                    TWinHTTPFileAttribute::atrTemporary};
};

// What OnHeaderInfo reports of a response.
struct THeaderInfo {
  int ErrorCode = 0;  // the HTTP status
  std::string RawHeadersCRLF;
  std::string ContentType;
  std::string ContentLanguage;
  std::string ContentEncoding;
  std::int64_t ContentLength = 0;  // Content-Length plus the resume position
  std::string Location;
  TDateTime Date = 0;
  TDateTime LastModified = 0;
  TDateTime Expires = 0;
  std::string ETag;
};

// The figures of one OnProgress.
struct TWinHTTPProgress {
  std::int64_t DataSize = 0;           // ContentLength + StartOffset
  std::int64_t BytesRead = 0;          // Received + StartOffset
  std::uint32_t ElapsedTime = 0;       // s
  std::int64_t EstimatedTimeLeft = 0;  // s
  std::uint8_t PercentsDone = 0;
  float TransferRate = 0;  // KB/s
};

class TCustomWinHTTP;

using TWinHTTPNotifyEvent = std::function<void(TCustomWinHTTP& sender)>;
// Worker thread: the request handle is the libcurl easy handle (CURL*).
using TWinHTTPBeforeSendRequestEvent = std::function<void(TCustomWinHTTP& sender, void* request)>;
using TWinHTTPRedirectedEvent =
    std::function<void(TCustomWinHTTP& sender, const std::string& new_url)>;
using TWinHTTPStatusEvent =
    std::function<void(TCustomWinHTTP& sender, int status_code, const std::string& status_text)>;
using TWinHTTPHeaderInfoEvent =
    std::function<void(TCustomWinHTTP& sender, const THeaderInfo& info, bool& continue_download)>;
using TWinHTTPProgressEvent =
    std::function<void(TCustomWinHTTP& sender, const std::string& content_type,
                       const TWinHTTPProgress& progress, TStream* stream)>;
using TWinHTTPPasswordRequestEvent =
    std::function<void(TCustomWinHTTP& sender, const std::string& realm, bool& try_again)>;
using TWinHTTPProxyAuthenticationEvent =
    std::function<void(TCustomWinHTTP& sender, std::string& proxy_username,
                       std::string& proxy_password, bool& try_again)>;
using TWinHTTPDoneEvent =
    std::function<void(TCustomWinHTTP& sender, const std::string& content_type,
                       std::int64_t file_size, TStream* stream)>;
using TWinHTTPConnLostEvent =
    std::function<void(TCustomWinHTTP& sender, const std::string& content_type,
                       std::int64_t file_size, std::int64_t bytes_read, TStream* stream)>;
using TWinHTTPErrorEvent =
    std::function<void(TCustomWinHTTP& sender, int error_code, TStream* stream)>;
using TWinHTTPWaitTimeoutExpiredEvent =
    std::function<void(TCustomWinHTTP& sender, bool& terminate_thread)>;

}  // namespace tallowin::net
