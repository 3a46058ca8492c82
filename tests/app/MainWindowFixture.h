#pragma once

#include "app/MainWindow.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// A fresh main window for each test, with scripted dialogs and a folder of its own.
class MainWindowFixture {
protected:
    // Shows the window (at `geometry` when given); false when it never appeared.
    bool open(const QRect &geometry = {}) {
        dir = std::make_unique<QTemporaryDir>();
        state = std::make_unique<imprimata::SharedState>();
        dialogs = std::make_unique<imprimata::ScriptedDialogService>();
        main = std::make_unique<imprimata::MainWindow>(*state, *dialogs);
        if (geometry.isValid())
            main->setGeometry(geometry);
        main->show();
        return QTest::qWaitForWindowExposed(main.get());
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<imprimata::SharedState> state;
    std::unique_ptr<imprimata::ScriptedDialogService> dialogs;
    std::unique_ptr<imprimata::MainWindow> main;
};
