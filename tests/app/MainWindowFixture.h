// The main window under test: a settings file of the test's own beside the test
// executable, as the program keeps its own, written before the window is made.
#pragma once

#include <QtTest>
#include <filesystem>
#include <memory>
#include <string>

#include "../FileContents.h"
#include "SettingsFile.h"
#include "Unit1.h"

inline void WriteSettingsFile(const std::string& text) {
    WriteWholeFile(SettingsFilePath().string(), text);
}

inline void RemoveSettingsFile() {
    std::filesystem::remove(SettingsFilePath());
}

inline std::unique_ptr<TForm1> ShowMainWindow() {
    auto window = std::make_unique<TForm1>();
    window->show();
    return window;
}

inline void ClickButton(TqeButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
}

// A watch folder of the test's own holding one archive, removed afterwards.
class WatchedFolder {
  public:
    explicit WatchedFolder(const std::string& name)
        : path_(QDir::tempPath().toStdString() + "/" + name) {
        std::filesystem::create_directories(path_);
        WriteWholeFile(path_ + "/a.zip", "not really");
    }
    ~WatchedFolder() { std::filesystem::remove_all(path_); }
    WatchedFolder(const WatchedFolder&) = delete;
    WatchedFolder& operator=(const WatchedFolder&) = delete;

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};
