// The yardstick of the launch benchmark: a bare Qt window of the splash's size and kind, shown the way
// the splash is, with nothing else done before it.
#include <QApplication>
#include <QDialog>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog window;
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::Dialog);
    window.setFixedSize(542, 240);
    window.setWindowModality(Qt::ApplicationModal);
    return window.exec();
}
