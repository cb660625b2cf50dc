// The floor for the client's start-up figure: a Qt program that shows one
// empty window with a title, built as the client is.
//
//   minimal_qt_window [TEXT]
//
// With TEXT the window is a label showing it: the floor for a window that
// writes Chinese, which an empty window never has to find a font for.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <memory>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::unique_ptr<QWidget> window;
  if (argc > 1) {
    window = std::make_unique<QLabel>(QString::fromLocal8Bit(argv[1]));
  } else {
    window = std::make_unique<QWidget>();
  }
  window->setWindowTitle(QStringLiteral("最小窗口"));
  window->show();
  return application.exec();
}
