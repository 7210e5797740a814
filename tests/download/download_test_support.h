// Driving the main window's download pages in tests: a run from Step5 to Step7 against the fake
// video service, with what the download list showed before the summary emptied it.
#pragma once

#include <QCoreApplication>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "download/fake_video_service.h"
#include "download/quality.h"
#include "wizard/wizard_env.h"

namespace tallowin::test {

// Serves Qt events and hand-overs until `done` holds; false after `timeout_ms`.
bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 60000);

// What the download list and the Step6 figures showed during a run.
struct DownloadWatch {
  explicit DownloadWatch(TFormMain& form);
  // The last text seen in a column of each row (the summary empties the list afterwards).
  std::map<int, std::string> Last(int column) const;
  // Every distinct text a column of a row held, in order.
  std::vector<std::string> History(int row, int column) const;
  // Samples the figures beside the list (called while pumping).
  void SampleLabels();
  bool SawQuality(const std::string& text) const;
  bool SawTimeLeft(const std::string& text) const;

  TFormMain& form;
  std::map<std::pair<int, int>, std::vector<std::string>> cells;
  std::vector<std::string> quality_texts;
  std::vector<std::string> time_left_texts;
};

// A Step5 page of the download edition with the links added, the folder typed and the quality
// preference set; `Download` presses Next there.
class DownloadPages {
 public:
  explicit DownloadPages(bool prefer,
                         const download::TPreferenceOrder& order = download::kDefaultOrder);
  void AddLinks(const std::vector<std::string>& ids);
  // Next on Step5: Step6 and the queue's start.
  void Download();
  // Pumps until Step7; false on time-out.
  bool WaitForSummary(int timeout_ms = 60000);
  // The names in the download folder.
  std::vector<std::string> FolderNames() const;

  WizardEnv env{{{"Download", "True"}}};
  TFormMain& form;
  std::string folder;
  DownloadWatch watch;
};

enum DownloadColumn { kColName, kColStatus, kColSize, kColSpeed, kColProgress, kColURL };

// `size` bytes that are not all alike, for streams that need more than one block.
std::string StreamBytes(size_t size, int seed = 0);

}  // namespace tallowin::test
