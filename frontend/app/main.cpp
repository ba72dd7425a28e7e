#include "batch_export.h"
#include "dialog_interaction.h"
#include "main_window.h"
#include "program_start.h"
#include "text_viewer.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (lumetra::isBatchCommand(argc, argv)) {
        QByteArrayList raw;
        for (int i = 1; i < argc; ++i) raw << QByteArray(argv[i]);
        if (const QString bad = lumetra::undecodableArgument(raw); !bad.isEmpty()) {
            std::fprintf(stderr, "Lumetra: %s\n", bad.toUtf8().constData());
            return lumetra::kBatchBadArguments;
        }
        // No window: the plot is drawn off screen, with or without a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return lumetra::batchMain(QCoreApplication::arguments(),
                                  QCoreApplication::applicationDirPath());
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--view")) {
        // Opening a run report from the desktop: the read-only viewer alone.
        lumetra::TextViewer viewer(args.at(2));
        viewer.show();
        return app.exec();
    }
    lumetra::DialogInteraction ui;
    lumetra::RegistryStore registry;
    lumetra::MainWindow window(ui, registry, QCoreApplication::applicationDirPath());
    ui.setParent(&window);
    // frmIntro first: on a first start it stays up and offers the ways in.
    lumetra::ClassStore classes;
    lumetra::DesktopAssociation desktop;
    desktop.setViewer(QCoreApplication::applicationFilePath(), {QStringLiteral("--view")});
    const lumetra::StartOutcome start = lumetra::startProgram(
        window, QCoreApplication::applicationDirPath(), classes,
        [] {
            lumetra::IntroForm intro;
            return intro.run();
        },
        [](lumetra::MainWindow& w) { w.showMaximized(); }, &desktop);
    if (start == lumetra::StartOutcome::Failed) return 1;
    if (start == lumetra::StartOutcome::Quit) return 0;
    return app.exec();
}
