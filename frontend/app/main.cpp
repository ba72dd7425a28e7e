#include "batch_export.h"
#include "data_pages.h"
#include "dialog_interaction.h"
#include "import_command.h"
#include "main_window.h"
#include "program_start.h"
#include "start_path.h"
#include "text_viewer.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
namespace {

QtMessageHandler qtHandler = nullptr;

// Qt's notes about the desktop session's runtime folder (unset, or not private) say nothing a
// user of this program can act on, least of all in a batch run; everything else passes.
void quietRuntimeNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths: ")) &&
        (text.contains(QLatin1String("XDG_RUNTIME_DIR")) ||
         text.contains(QLatin1String("runtime directory"))))
        return;
    if (qtHandler) qtHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    qtHandler = qInstallMessageHandler(quietRuntimeNotes);
    if (lumetra::isImportCommand(argc, argv)) {
        QCoreApplication app(argc, argv);
        return lumetra::importMain(QCoreApplication::arguments());
    }
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
    // Lumetra FILE, named from where the program was started (the start moves the current folder).
    const QString opened = args.size() == 2 && !args.at(1).startsWith(QLatin1String("--"))
                               ? QFileInfo(args.at(1)).absoluteFilePath()
                               : QString();
    if (args.size() == 3 && args.at(1) == QLatin1String("--view")) {
        // Opening a run report from the desktop: the read-only viewer alone.
        lumetra::TextViewer viewer(args.at(2));
        viewer.show();
        // A file that cannot be shown is said so, over the viewer that names it.
        if (!viewer.loadError().isEmpty())
            QMessageBox::warning(&viewer, viewer.windowTitle(), viewer.loadError());
        return app.exec();
    }
    // An installed program keeps the user's settings in the user's config folder.
    const lumetra::ProgramLayout layout =
        lumetra::programLayout(QCoreApplication::applicationDirPath());
    // The settings store lives with the other settings, in either layout (as for --batch).
    lumetra::useSettingsStore(layout);
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
        [](lumetra::MainWindow& w) {
            // Where it was last closed, else the whole screen.
            if (w.geometryRestored())
                w.show();
            else
                w.showMaximized();
        },
        &desktop);
    if (start == lumetra::StartOutcome::Failed) return 1;
    if (start == lumetra::StartOutcome::Quit) return 0;
    // Lumetra FILE: a job opens, a data file goes to the import.
    if (!opened.isEmpty())
        if (auto* pages = window.findChild<lumetra::DataPages*>())
            QTimer::singleShot(0, pages, [pages, opened] { pages->openFile(opened); });
    return app.exec();
}
