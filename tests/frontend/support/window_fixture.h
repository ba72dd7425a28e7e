// A program folder in a temporary directory and a main window started in it.
#pragma once

#include "engine_library.h"
#include "main_window.h"
#include "registry_store.h"
#include "scripted_interaction.h"

#include <QDir>
#include <QFile>
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
