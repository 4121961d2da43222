// A search engine over a temporary folder, with the drive folders inside it,
// progress recorded and no summary export unless a test hands one over.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "finder/engine/HanziSearcher.h"
#include "platform/NativePath.h"
#include "tests/support/Gbk.h"
#include "tests/support/TempDir.h"

class RecordingProgress : public ProgressSink {
 public:
  void PostProgress(std::string path) override {
    names.push_back(path);
    if (onProgress) onProgress(path);
  }
  std::vector<std::string> names;
  std::function<void(const std::string&)> onProgress;
};

// Counts the exports and keeps the rows the last one was given.
class RecordingExport : public SummaryExport {
 public:
  ExportStatus Export(const ResultTable& table) override {
    ++runs;
    rows = table.Rows();
    return ExportStatus::Written;
  }
  std::string Destination() const override { return "recorded"; }
  int runs = 0;
  std::vector<ResultRow> rows;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : drives_(dir_.Path()), searcher_(settings_) {
    settings_.strLogFile = dir_ / "report.txt";
    settings_.SearchUnicode = 1;
    settings_.LimitHanZiCountEachFile = 0;
    searcher_.Wiring().notifyWindow = &progress_;
    searcher_.Wiring().runningFlag = &running_;
  }

  std::string Report() const { return ReadFileBytes(platform::ToNative(settings_.strLogFile)); }

  TempDir dir_;
  ScopedDriveRoot drives_;
  ScanSettings settings_;
  std::atomic<unsigned char> running_{1};
  RecordingProgress progress_;
  RecordingExport export_;
  HanziSearcher searcher_;
};
