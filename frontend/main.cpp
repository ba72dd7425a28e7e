#include "dialog_interaction.h"
#include "main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    lumetra::DialogInteraction ui;
    lumetra::RegistryStore registry;
    lumetra::MainWindow window(ui, registry, QCoreApplication::applicationDirPath());
    ui.setParent(&window);
    if (!window.formLoad()) return 1;
    window.showMaximized();
    return app.exec();
}
