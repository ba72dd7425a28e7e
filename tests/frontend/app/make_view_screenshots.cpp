// Pictures of one overlay (the periodogram example held under the Burg example) in the classic
// and in the modern view, for the manual: the program's own window runs both examples in each
// view and the window is grabbed as it is shown.
// Usage: make_view_screenshots PROGRAM_DIR OUTPUT_DIR SUFFIX   (on an X screen, e.g. Xvfb)
#include "dialog_interaction.h"
#include "main_window.h"
#include "plot_controller.h"
#include "registry_store.h"
#include "run_pipeline.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "Usage: make_view_screenshots PROGRAM_DIR OUTPUT_DIR SUFFIX\n");
        return 2;
    }
    const QString programDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString outDir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    const QString suffix = QString::fromLocal8Bit(argv[3]);
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
        QTimer::singleShot(700, &loop, &QEventLoop::quit);
        loop.exec();
    };
    auto runDemo = [&](const char* name) {
        QEventLoop run;
        QObject::connect(&window.pipeline(), &lumetra::RunPipeline::runFinished, &run,
                         &QEventLoop::quit);
        window.pipeline().fileRun(lumetra::RunSource::Demo, QString::fromLatin1(name));
        if (window.pipeline().isRunning()) run.exec();
        if (window.pipeline().lastResult().status != lumetra::RunStatus::Success) {
            std::fprintf(stderr, "%s did not run: %s\n", name,
                         qPrintable(window.pipeline().lastResult().stopText));
            return false;
        }
        return true;
    };
    lumetra::PlotController& plot = *window.plotController();
    for (const char* view : {"classic", "modern"}) {
        plot.clearHeld();
        window
            .action(QStringLiteral("mnuView") + QChar(QLatin1Char(view[0])).toUpper() +
                    QString::fromLatin1(view + 1))
            ->trigger();
        if (!runDemo("Ex-Perio.0")) return 1;
        plot.holdCurve();
        if (!runDemo("Ex-Burg.0")) return 1;
        settle();
        const QString path = outDir + QStringLiteral("/view-%1-%2.png").arg(view, suffix);
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
