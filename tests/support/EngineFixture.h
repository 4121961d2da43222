// A search engine over a temporary folder, with the drive folders inside it,
// progress recorded and the workbook export off unless a test turns it on.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "finder/engine/HanziSearcher.h"
#include "finder/export/MessageSink.h"
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

class RecordingMessages : public MessageSink {
 public:
  void ShowMessage(const std::string& text, const std::string&, MessageKind) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : drives_(dir_.Path()), searcher_(settings_) {
    settings_.strLogFile = dir_ / "report.txt";
    settings_.SearchUnicode = 1;
    settings_.LimitHanZiCountEachFile = 0;
    settings_.notifyWindow = &progress_;
    settings_.runningFlag = &running_;
    searcher_.SetExportEnabled(false);
    searcher_.Results().SetMessageSink(&messages_);
    searcher_.Results().SetWorkbookPath(dir_ / "report.xls");
  }

  std::string Report() const { return ReadFileBytes(platform::ToNative(settings_.strLogFile)); }

  TempDir dir_;
  ScopedDriveRoot drives_;
  ScanSettings settings_;
  std::atomic<unsigned char> running_{1};
  RecordingProgress progress_;
  RecordingMessages messages_;
  HanziSearcher searcher_;
};
