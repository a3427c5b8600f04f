// The yardstick for the desktop program's start: a minimal Qt widgets program,
// built the same way, that shows a main window and listens on a TCP port.
// With "--text" after the port its window has a menu and a status text, so
// that it loads the fonts, as any window with text does.
#include <QApplication>
#include <QHostAddress>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTcpServer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(300, 300);
    if (QCoreApplication::arguments().value(2) == QLatin1String("--text")) {
        window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
        window.statusBar()->showMessage(QStringLiteral("Listening ..."));
    }
    window.show();
    QTcpServer server;
    server.listen(QHostAddress::AnyIPv4,
                  static_cast<quint16>(QString::fromLocal8Bit(argv[1]).toUInt()));
    return QApplication::exec();
}
