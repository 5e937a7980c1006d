#pragma once

#include "windows/TMainForm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <vector>

namespace {

// The window's controls, found by the object names the code uses: the
// window keeps them private.
template <class T>
T* named(const QObject& form, const QString& name)
{
    T* found = form.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

std::vector<QLabel*> namedLabels(const QObject& form, const char* prefix, int count)
{
    std::vector<QLabel*> labels;
    for (int i = 0; i < count; ++i)
        labels.push_back(named<QLabel>(form, QString::fromLatin1(prefix) + QString::number(i)));
    return labels;
}

struct Controls {
    explicit Controls(const corvane::windows::TMainForm& f)
        : SigFreq(named<QLineEdit>(f, "SigFreq")),
          SigLevel(named<QLineEdit>(f, "SigLevel")),
          FsSelect(named<QComboBox>(f, "FsSelect")),
          WaveSelect(named<QComboBox>(f, "WaveSelect")),
          DrawButton(named<QPushButton>(f, "DrawButton")),
          AutoScaleButton(named<QPushButton>(f, "AutoScaleButton")),
          HorizExpandButton(named<QPushButton>(f, "HorizExpandButton")),
          ActionMainMenuBar1(named<QMenuBar>(f, "ActionMainMenuBar1")),
          LX(namedLabels(f, "LX", 11)),
          LYL(namedLabels(f, "LYL", 9)),
          LYR(namedLabels(f, "LYR", 3)),
          TXL(named<QLabel>(f, "TXL")),
          TYLL(named<QLabel>(f, "TYLL")),
          TYRL(named<QLabel>(f, "TYRL"))
    {
    }
    QLineEdit* SigFreq;
    QLineEdit* SigLevel;
    QComboBox* FsSelect;
    QComboBox* WaveSelect;
    QPushButton* DrawButton;
    QPushButton* AutoScaleButton;
    QPushButton* HorizExpandButton;
    QMenuBar* ActionMainMenuBar1;
    std::vector<QLabel*> LX;
    std::vector<QLabel*> LYL;
    std::vector<QLabel*> LYR;
    QLabel* TXL;
    QLabel* TYLL;
    QLabel* TYRL;
};

} // namespace
