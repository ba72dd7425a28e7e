// Pictures of the import dialog (on a CSV and on a WAV file), the Signal page and a compare of
// five methods for the manual, grabbed from the screen with the dialogs over the window.
// Usage: make_data_screenshots PROGRAM_DIR OUTPUT_DIR CSV WAV SUFFIX   (on Xvfb with a window
// manager; SUFFIX names the screen size, e.g. 1280x800)
#include "compare_panel.h"
#include "data_pages.h"
#include "dialog_interaction.h"
#include "import_dialog.h"
#include "main_window.h"
#include "registry_store.h"
#include "signal_page.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr,
                     "Usage: make_data_screenshots PROGRAM_DIR OUTPUT_DIR CSV WAV SUFFIX\n");
        return 2;
    }
    const QString programDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString outDir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    const QString csv = QString::fromLocal8Bit(argv[3]);
    const QString wav = QString::fromLocal8Bit(argv[4]);
    const QString suffix = QString::fromLocal8Bit(argv[5]);
    QDir().mkpath(outDir);

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
    auto grab = [&](const QString& name) {
        settle();
        const QString path = outDir + u'/' + name + u'-' + suffix + QStringLiteral(".png");
        if (!window.screen()->grabWindow(0).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    };
    settle();

    QTemporaryDir out;
    for (const QString& source : {csv, wav}) {
        lumetra::ImportController c(window.session());
        if (!c.open(source)) return 1;
        lumetra::ImportDialog dialog(c, &window);
        if (source == wav) dialog.findChild<QComboBox*>("cboColumn")->setCurrentIndex(1);
        dialog.show();
        if (!grab(source == csv ? QStringLiteral("import-csv") : QStringLiteral("import-wav")))
            return 1;
        dialog.close();
        if (source == csv && !c.accept(out.filePath("imported.txt"))) return 1;
    }
    auto* pages = window.findChild<lumetra::DataPages*>();
    window.tabs()->setCurrentWidget(pages->signalPage());
    if (!grab(QStringLiteral("signal-page"))) return 1;

    // Five methods on the Burg example.
    window.state().formChanged = false;
    window.openRecent(programDir + QStringLiteral("/user/Ex-Burg.0"));
    lumetra::ComparePanel* compare = pages->openCompare();
    compare->choose({2, 11, 13, 4, 1});
    compare->setGeometry(window.screen()->availableGeometry().adjusted(40, 40, -40, -40));
    if (!compare->start()) return 1;
    compare->wait();
    if (!grab(QStringLiteral("compare-five"))) return 1;
    compare->close();
    // The complex record of the same example: real and imaginary parts.
    window.tabs()->setCurrentWidget(pages->signalPage());
    if (!grab(QStringLiteral("signal-complex"))) return 1;
    return 0;
}
