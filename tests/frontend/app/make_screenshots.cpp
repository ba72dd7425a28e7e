// Pictures of the Plot and Setup pages for the manual: the program's own window runs the Burg
// example from the demo page and each page is grabbed as it is shown.
// Usage: make_screenshots PROGRAM_DIR OUTPUT_DIR   (run it on a 1024 x 768 screen, e.g. Xvfb)
#include "demo_page.h"
#include "dialog_interaction.h"
#include "main_window.h"
#include "registry_store.h"
#include "run_pipeline.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "Usage: make_screenshots PROGRAM_DIR OUTPUT_DIR\n");
        return 2;
    }
    const QString programDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString outDir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(outDir);

    // Default plot options, whatever this user has saved.
    QTemporaryDir settings;
    lumetra::RegistryStore registry(settings.filePath("registry.ini"));
    lumetra::DialogInteraction ui;
    lumetra::MainWindow window(ui, registry, programDir);
    ui.setParent(&window);
    if (!window.formLoad()) return 1;
    window.setGeometry(window.screen()->availableGeometry());
    window.show();

    auto settle = [] {
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        loop.exec();
    };
    auto grab = [&](const QString& name) {
        settle();
        const QString path = outDir + u'/' + name;
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    };
    settle();

    lumetra::DemoPage* demos = window.demoPage();
    demos->openDemos();
    demos->exam(7)->click(); // Ex-Burg.0
    QEventLoop run;
    QObject::connect(&window.pipeline(), &lumetra::RunPipeline::runFinished, &run,
                     &QEventLoop::quit);
    demos->runButton()->click();
    if (window.pipeline().isRunning()) run.exec();
    if (window.pipeline().lastResult().status != lumetra::RunStatus::Success) {
        std::fprintf(stderr, "the example did not run: %s\n",
                     qPrintable(window.pipeline().lastResult().stopText));
        return 1;
    }
    if (!grab(QStringLiteral("plot-page.png"))) return 1;
    window.findChild<QPushButton*>(QStringLiteral("cmdQuit"))->click();
    if (!grab(QStringLiteral("setup-page.png"))) return 1;
    return 0;
}
