#include "media/options/legacy_options.h"

#include <cstdlib>
#include <set>
#include <unordered_map>

#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

[[noreturn]] void BadValue(const std::string& name, const std::string& value) {
  throw FFmpegException("Invalid value \"" + value + "\" for option \"" + name + "\"");
}

// "+a-b+c" -> {('+', "a"), ('-', "b"), ('+', "c")}; a leading name without a sign is ' '.
std::vector<std::pair<char, std::string>> SignedTokens(const std::string& value) {
  std::vector<std::pair<char, std::string>> tokens;
  size_t i = 0;
  while (i < value.size()) {
    char sign = ' ';
    if (value[i] == '+' || value[i] == '-') sign = value[i++];
    size_t end = value.find_first_of("+-", i);
    if (end == std::string::npos) end = value.size();
    tokens.emplace_back(sign, value.substr(i, end - i));
    i = end;
  }
  return tokens;
}

std::string OnOff(char sign) {
  return sign == '-' ? "0" : "1";
}

}  // namespace

// One translator per old name. Each returns the current options that realise the old value.
struct LegacyTable {
  using Translator = std::optional<OptionList> (*)(LegacyVocabulary&, const std::string&,
                                                   const std::string&);

  static const std::unordered_map<std::string, Translator>& Get() {
    static const std::unordered_map<std::string, Translator> table = {
        {"flags", &Flags},           {"flags2", &Flags2},
        {"partitions", &Partitions}, {"cmp", &Compare},
        {"subcmp", &Compare},        {"mbcmp", &Compare},
        {"precmp", &Compare},        {"ildctcmp", &Compare},
        {"skipcmp", &Compare},       {"me_method", &MotionEstimation},
        {"directpred", &Rename},     {"cqp", &Rename},
        {"aq_mode", &Rename},        {"aq_strength", &Rename},
        {"rc_lookahead", &Rename},   {"psy_rd", &Rename},
        {"deblockalpha", &Deblock},  {"deblockbeta", &Deblock},
        {"rc_eq", &Unquote},
    };
    return table;
  }

  // Old names whose current equivalent only has another name.
  static std::optional<OptionList> Rename(LegacyVocabulary&, const std::string& name,
                                          const std::string& value) {
    static const std::unordered_map<std::string, std::string> names = {
        {"directpred", "direct-pred"},    {"cqp", "qp"},
        {"aq_mode", "aq-mode"},           {"aq_strength", "aq-strength"},
        {"rc_lookahead", "rc-lookahead"}, {"psy_rd", "psy-rd"},
    };
    // A negative constant quantizer meant "not set".
    if (name == "cqp" && std::atoi(value.c_str()) < 0) return OptionList{};
    return OptionList{{names.at(name), value}};
  }

  // The codec flags: old flags that moved to private options of the encoders that use them, and
  // the in-loop deblocking flag, which x264 applies by default.
  static std::optional<OptionList> Flags(LegacyVocabulary&, const std::string& name,
                                         const std::string& value) {
    static const std::unordered_map<std::string, std::string> moved_private = {
        {"aic", "aic"},
        {"umv", "umv"},
        {"obmc", "obmc"},
        {"aiv", "aiv"},
        {"slice", "structured_slices"},
        {"scan_offset", "scan_offset"},
    };
    static const std::unordered_map<std::string, std::string> moved_mpv = {
        {"cbp", "cbp_rd"}, {"qprd", "qp_rd"}, {"mv0", "mv0"}, {"naq", "naq"}};
    OptionList out;
    std::string rest, mpv;
    bool legacy = false;
    for (const auto& [sign, token] : SignedTokens(value)) {
      if (token == "loop") {
        legacy = true;
        if (sign == '-') out.emplace_back("x264-params", "no-deblock=1");
      } else if (auto p = moved_private.find(token); p != moved_private.end()) {
        legacy = true;
        out.emplace_back(p->second, OnOff(sign));
      } else if (auto m = moved_mpv.find(token); m != moved_mpv.end()) {
        legacy = true;
        mpv += (sign == '-' ? "-" : "+") + m->second;
      } else {
        rest += (sign == ' ' ? "" : std::string(1, sign)) + token;
      }
    }
    if (!legacy) return std::nullopt;
    if (!mpv.empty()) out.emplace_back("mpv_flags", mpv);
    if (!rest.empty()) out.emplace_back(name, rest);
    return out;
  }

  static std::optional<OptionList> Flags2(LegacyVocabulary&, const std::string& name,
                                          const std::string& value) {
    // Old x264 flags: the x264 private option and its values for '+' and '-'.
    struct Moved {
      const char* option;
      const char* on;
      const char* off;
    };
    static const std::unordered_map<std::string, Moved> moved = {
        {"mixed_refs", {"mixed-refs", "1", "0"}},
        {"wpred", {"weightb", "1", "0"}},
        {"dct8x8", {"8x8dct", "1", "0"}},
        {"fastpskip", {"fast-pskip", "1", "0"}},
        {"bpyramid", {"b-pyramid", "normal", "none"}},
        {"mbtree", {"mbtree", "1", "0"}},
        {"aud", {"aud", "1", "0"}},
        {"psy", {"psy", "1", "0"}},
        {"ssim", {"ssim", "1", "0"}},
        {"intra_refresh", {"intra-refresh", "1", "0"}},
        {"non_linear_q", {"non_linear_quant", "1", "0"}},
        {"bit_reservoir", {"reservoir", "1", "0"}},
    };
    // Old flags whose work the current encoders always do or never offer.
    static const std::set<std::string> without_effect = {"brdo", "skiprd", "bframes", "chunks"};
    // Flags that the current libraries still know.
    static const std::set<std::string> current = {
        "fast",    "noout",      "ignorecrop",  "local_header",
        "showall", "export_mvs", "skip_manual", "ass_ro_flush_noop"};
    OptionList out;
    std::string rest;
    for (const auto& [sign, token] : SignedTokens(value)) {
      if (auto m = moved.find(token); m != moved.end()) {
        out.emplace_back(m->second.option, sign == '-' ? m->second.off : m->second.on);
      } else if (current.count(token)) {
        rest += (sign == ' ' ? "" : std::string(1, sign)) + token;
      } else if (!without_effect.count(token)) {
        BadValue(name, value);
      }
    }
    if (!rest.empty()) out.emplace_back(name, rest);
    return out;
  }

  // Old partition flags ("+parti8x8+parti4x4...") -> x264's partition list ("i8x8,i4x4").
  static std::optional<OptionList> Partitions(LegacyVocabulary& self, const std::string& name,
                                              const std::string& value) {
    static const std::unordered_map<std::string, int> bits = {
        {"parti4x4", 1}, {"parti8x8", 2}, {"partp4x4", 4}, {"partp8x8", 8}, {"partb8x8", 16}};
    static const char* const names[] = {"i4x4", "i8x8", "p4x4", "p8x8", "b8x8"};
    const auto tokens = SignedTokens(value);
    // Current-style values ("all", "none", "i4x4,p8x8") go to x264 unchanged.
    if (tokens.empty() || !bits.count(tokens.front().second)) return std::nullopt;
    int set = self.partitions_;
    for (const auto& [sign, token] : tokens) {
      const auto b = bits.find(token);
      if (b == bits.end()) BadValue(name, value);
      if (sign == ' ') set = 0;
      set = sign == '-' ? (set & ~b->second) : (set | b->second);
    }
    self.partitions_ = set;
    std::string list;
    for (int i = 0; i < 5; ++i)
      if (set & (1 << i)) list += (list.empty() ? "" : ",") + std::string(names[i]);
    return OptionList{{name, list.empty() ? "none" : list}};
  }

  // "+chroma": the old comparison functions added chroma as a flag; the current option takes the
  // sum of the named constants.
  static std::optional<OptionList> Compare(LegacyVocabulary&, const std::string& name,
                                           const std::string& value) {
    if (value.empty() || value[0] != '+') return std::nullopt;
    return OptionList{{name, value.substr(1)}};
  }

  // Old motion estimation names -> x264's method and the mpeg video encoders' method.
  static std::optional<OptionList> MotionEstimation(LegacyVocabulary&, const std::string& name,
                                                    const std::string& value) {
    static const std::unordered_map<std::string, std::pair<const char*, const char*>> methods = {
        {"zero", {"dia", "zero"}}, {"full", {"esa", "epzs"}},  {"epzs", {"dia", "epzs"}},
        {"esa", {"esa", "epzs"}},  {"tesa", {"tesa", "epzs"}}, {"dia", {"dia", "epzs"}},
        {"log", {"hex", "epzs"}},  {"phods", {"hex", "epzs"}}, {"x1", {"hex", "xone"}},
        {"hex", {"hex", "epzs"}},  {"umh", {"umh", "epzs"}},   {"iter", {"hex", "epzs"}},
    };
    const auto m = methods.find(value);
    if (m == methods.end()) BadValue(name, value);
    return OptionList{{"me_method", m->second.first}, {"motion_est", m->second.second}};
  }

  static std::optional<OptionList> Deblock(LegacyVocabulary& self, const std::string& name,
                                           const std::string& value) {
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 10);
    if (end == value.c_str() || *end) BadValue(name, value);
    (name == "deblockalpha" ? self.deblock_alpha_ : self.deblock_beta_) = static_cast<int>(number);
    // x264's own strengths are 0:0; nothing to say until one differs.
    if (!self.deblock_set_ && self.deblock_alpha_ == 0 && self.deblock_beta_ == 0)
      return OptionList{};
    self.deblock_set_ = true;
    return OptionList{{"deblock", std::to_string(self.deblock_alpha_) + ":" +
                                      std::to_string(self.deblock_beta_)}};
  }

  // Preset texts quote expressions for the shell: 'blurCplx^(1-qComp)'.
  static std::optional<OptionList> Unquote(LegacyVocabulary&, const std::string& name,
                                           const std::string& value) {
    if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
        value.back() == value.front())
      return OptionList{{name, value.substr(1, value.size() - 2)}};
    return std::nullopt;
  }
};

std::optional<OptionList> LegacyVocabulary::Translate(const std::string& name,
                                                      const std::string& value) {
  const auto& table = LegacyTable::Get();
  const auto it = table.find(name);
  if (it == table.end()) return std::nullopt;
  return it->second(*this, name, value);
}

std::string LegacyVocabulary::ReplacementEncoder(const std::string& name) {
  static const std::unordered_map<std::string, std::string> replacements = {
      {"libfaac", "aac"},
  };
  const auto it = replacements.find(name);
  return it == replacements.end() ? std::string() : it->second;
}

std::optional<std::string> LegacyVocabulary::BitstreamFilter(const std::string& name) {
  static const std::unordered_map<std::string, std::string> filters = {
      // Compressed MP3 frame headers could only be read back by mp3decomp; leaving the frames
      // as they are gives the standard stream.
      {"mp3comp", ""},
  };
  const auto it = filters.find(name);
  if (it == filters.end()) return std::nullopt;
  return it->second;
}

}  // namespace tallowin::media
