// The option vocabulary of the old command-line generation, realised over the current libraries:
// old x264 names and flag values become x264 private options or x264-params, old flag values
// without a current meaning that change nothing are dropped, and encoders that the current
// libraries lack are replaced; old bitstream filters without a current counterpart are dropped.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tallowin::media {

using OptionList = std::vector<std::pair<std::string, std::string>>;

class LegacyVocabulary {
 public:
  // The current options that realise an old option, in order (possibly none: accepted without
  // effect), or nullopt when `name` is not old vocabulary and goes to the libraries unchanged.
  // A bad old value raises FFmpegException with `Invalid value "%s" for option "%s"`.
  std::optional<OptionList> Translate(const std::string& name, const std::string& value);

  // The encoder that stands in for an old encoder name the current libraries lack, or empty.
  static std::string ReplacementEncoder(const std::string& name);

  // How an old bitstream filter name is realised: the current filter in the library's list
  // syntax ("name=option=value"), empty when the old filter is accepted without effect, or
  // nullopt when the name is used as it stands.
  static std::optional<std::string> BitstreamFilter(const std::string& name);

 private:
  // deblockalpha and deblockbeta set two halves of one x264 option.
  int deblock_alpha_ = 0, deblock_beta_ = 0;
  int partitions_ = 0;  // the old partition flags as set so far
  bool deblock_set_ = false;

  friend struct LegacyTable;
};

}  // namespace tallowin::media
