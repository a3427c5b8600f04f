// The yardstick for the desktop program's start: a minimal Qt widgets program,
// built the same way, that shows a main window and listens on a TCP port.
#include <QApplication>
#include <QHostAddress>
#include <QMainWindow>
#include <QTcpServer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(300, 300);
    window.show();
    QTcpServer server;
    server.listen(QHostAddress::AnyIPv4,
                  static_cast<quint16>(QString::fromLocal8Bit(argv[1]).toUInt()));
    return QApplication::exec();
}
