#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream(stderr) << "The main window is not built yet; only the engine and "
                           "vorn-engine exist.\n";
    return 0;
}
