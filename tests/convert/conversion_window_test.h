// The main window set up for conversion tests: the media libraries loaded, an empty output
// folder as the selection's folder, per-file runs; helpers to place input files and read the rows
// of ListViewConverting.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "media/components/ff_decode.h"
#include "shell/global_vars.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/input_row.h"
#include "wizard/wizard_env.h"

namespace tallowin::test {

// The duration the decoder reads of a file.
inline int64_t ProbedDuration(const fs::path& file) {
  media::TFFDecoder decoder;
  EXPECT_TRUE(decoder.LoadFile(file.string())) << decoder.LastErrMsg();
  media::TFileStreamInfo info;
  decoder.GetFileStreamInfo(info);
  return info.Duration;
}

class ConversionWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = &env_.Create();
    ASSERT_TRUE(form_->FFEncoder.LibrariesLoaded());
    out_ = work_.dir() + "out/";
    fs::create_directories(out_);
    TGlobalVars& g = GlobalVars();
    g.OutputFileDir = out_;
    g.MergeEnabled = false;
  }

  // A copy of `source` under the work folder (folders made as needed).
  std::string Place(const fs::path& source, const std::string& relative) {
    const fs::path target = work_.path() / relative;
    fs::create_directories(target.parent_path());
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    return target.string();
  }

  // A row of the input list for `path`, as adding the file gives it.
  int AddRow(const std::string& path) {
    const int row = form_->NextGrid->AddRow();
    form_->NextGrid->SetCell(row, NxTextColumnFileFullName, QString::fromStdString(path));
    return row;
  }

  std::string Cell(int row, int column) {
    return form_->ListViewConverting->Cell(row, column).toStdString();
  }

  WizardEnv env_;
  TFormMain* form_ = nullptr;
  TempDir work_;
  std::string out_;
};

}  // namespace tallowin::test
