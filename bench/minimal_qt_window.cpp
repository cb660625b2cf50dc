// The floor for the client's start-up figure: a Qt program that shows one
// empty window with a title, built as the client is.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("最小窗口"));
  window.show();
  return application.exec();
}
