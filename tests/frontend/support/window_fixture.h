// A program folder in a temporary directory and a main window started in it.
#pragma once

#include "engine_library.h"
#include "job_form.h"
#include "main_window.h"
#include "registry_store.h"
#include "scripted_interaction.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <memory>

namespace lumetra::test {

struct WindowFixture {
    QTemporaryDir tmp;
    ScriptedInteraction ui;
    std::unique_ptr<RegistryStore> registry;
    std::unique_ptr<EngineLibrary> engine;
    std::unique_ptr<MainWindow> window;

    QString programDir() const { return tmp.filePath("Lumetra"); }
    QString userDir() const { return programDir() + "/user"; }
    QString jobsDir() const { return tmp.filePath("jobs"); }

    WindowFixture() {
        QDir().mkpath(programDir() + "/user");
        QDir().mkpath(jobsDir());
        registry = std::make_unique<RegistryStore>(tmp.filePath("registry.ini"));
        engine = std::make_unique<EngineLibrary>(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
    }

    bool start() {
        window = std::make_unique<MainWindow>(ui, *registry, programDir(), engine.get());
        return window->formLoad();
    }

    // Fills the form with a periodogram of the 64-sample complex test record (copied into the
    // jobs folder; negative frequencies on) and saves it as jobsDir()/name.
    bool savePeriodogramJob(const QString& name, const QString& windowName, int nPoints) {
        JobForm* form = window->jobForm();
        auto edit = [&](const char* field, const QString& text) {
            form->findChild<QLineEdit*>(field)->setText(text);
        };
        QFile::copy(QStringLiteral(LUMETRA_TEST_DATA), jobsDir() + "/marple64.txt");
        ui.fileNames << jobsDir() + "/marple64.txt";
        form->findChild<QPushButton*>("cmdFileData")->click();
        edit("nSkip", "1");
        edit("TotalLines", "0");
        form->findChild<QRadioButton*>("optComplex")->click();
        form->findChild<QComboBox*>("Methods")->setCurrentText("Periodogram");
        form->findChild<QRadioButton*>("optYes")->click();
        edit("nPoints", QString::number(nPoints));
        edit("windowName", windowName);
        ui.fileNames << jobsDir() + "/" + name;
        const bool saved = window->session().fileSaveAs();
        ui.reset();
        return saved;
    }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace lumetra::test
