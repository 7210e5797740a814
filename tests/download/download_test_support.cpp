#include "download/download_test_support.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <thread>

#include "shell/global_vars.h"
#include "ui/report_list.h"

namespace tallowin::test {

bool PumpUntil(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

DownloadWatch::DownloadWatch(TFormMain& f) : form(f) {
  auto record = [this](int first, int last) {
    ui::TReportList* list = form.ListViewURLDownload;
    for (int row = first; row <= last && row < list->RowCount(); ++row) {
      for (int column = 0; column < list->columnCount(); ++column) {
        auto& seen = cells[{row, column}];
        const std::string text = list->Cell(row, column).toStdString();
        if (seen.empty() || seen.back() != text) seen.push_back(text);
      }
    }
    SampleLabels();
  };
  QAbstractItemModel* model = form.ListViewURLDownload->model();
  QObject::connect(
      model, &QAbstractItemModel::dataChanged,
      [record](const QModelIndex& from, const QModelIndex& to) { record(from.row(), to.row()); });
  QObject::connect(model, &QAbstractItemModel::rowsInserted,
                   [record](const QModelIndex&, int first, int last) { record(first, last); });
}

std::map<int, std::string> DownloadWatch::Last(int column) const {
  std::map<int, std::string> last;
  for (const auto& [key, texts] : cells)
    if (key.second == column && !texts.empty()) last[key.first] = texts.back();
  return last;
}

std::vector<std::string> DownloadWatch::History(int row, int column) const {
  auto it = cells.find({row, column});
  return it == cells.end() ? std::vector<std::string>{} : it->second;
}

void DownloadWatch::SampleLabels() {
  auto keep = [](std::vector<std::string>& seen, const QLabel* label) {
    const std::string text = label->text().toStdString();
    if (seen.empty() || seen.back() != text) seen.push_back(text);
  };
  keep(quality_texts, form.LabelQuality);
  keep(time_left_texts, form.LabelURLTimeLeft);
}

bool DownloadWatch::SawQuality(const std::string& text) const {
  return std::find(quality_texts.begin(), quality_texts.end(), text) != quality_texts.end();
}

bool DownloadWatch::SawTimeLeft(const std::string& text) const {
  return std::find(time_left_texts.begin(), time_left_texts.end(), text) != time_left_texts.end();
}

DownloadPages::DownloadPages(bool prefer, const download::TPreferenceOrder& order)
    : form(env.Create()), folder(env.root.dir() + "videos/"), watch(form) {
  TGlobalVars& g = GlobalVars();
  g.PreferYouTubeQuality = prefer;
  download::StorePreferenceOrder(g, order);
  form.RadioButtonDownloadVideo->setChecked(true);
  form.ActionNextExecute();
  form.EditURLOutput->setText(QString::fromStdString(folder));
  form.CheckBoxYouTubeQuality->setChecked(prefer);
}

void DownloadPages::AddLinks(const std::vector<std::string>& ids) {
  for (const auto& id : ids) AddLinkRow(form, FakeVideoService::Link(id));
}

void DownloadPages::Download() {
  form.ActionNextExecute();
}

bool DownloadPages::WaitForSummary(int timeout_ms) {
  return PumpUntil(
      [this] {
        watch.SampleLabels();
        return form.ActivePage() == TWizardPage::Step7;
      },
      timeout_ms);
}

std::vector<std::string> DownloadPages::FolderNames() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string StreamBytes(size_t size, int seed) {
  std::string bytes(size, '\0');
  unsigned state = 2463534242u + static_cast<unsigned>(seed);
  for (auto& b : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = static_cast<char>(state);
  }
  return bytes;
}

}  // namespace tallowin::test
