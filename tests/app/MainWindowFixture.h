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
