#include "batch_export.h"
#include "dialog_interaction.h"
#include "main_window.h"
#ifdef LUMETRA_HAVE_ENV
#include "program_start.h"
#endif

#include <QApplication>
#include <QGuiApplication>

int main(int argc, char** argv) {
    if (lumetra::isBatchCommand(argc, argv)) {
        // No window: the plot is drawn off screen, with or without a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return lumetra::batchMain(QCoreApplication::arguments(),
                                  QCoreApplication::applicationDirPath());
    }
    QApplication app(argc, argv);
    lumetra::DialogInteraction ui;
    lumetra::RegistryStore registry;
    lumetra::MainWindow window(ui, registry, QCoreApplication::applicationDirPath());
    ui.setParent(&window);
#ifdef LUMETRA_HAVE_ENV
    // frmIntro first: on a first start it stays up and offers the ways in.
    lumetra::ClassStore classes;
    const lumetra::StartOutcome start = lumetra::StartProgram(
        window, QCoreApplication::applicationDirPath(), classes,
        [] {
            lumetra::IntroForm intro;
            return intro.run();
        },
        [](lumetra::MainWindow& w) { w.showMaximized(); });
    if (start == lumetra::StartOutcome::Failed) return 1;
    if (start == lumetra::StartOutcome::Quit) return 0;
#else
    if (!window.formLoad()) return 1;
    window.showMaximized();
#endif
    return app.exec();
}
