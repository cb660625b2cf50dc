// Controls laid out in twips, as the exam's windows are designed, and the
// few behaviours Qt's controls lack.
#pragma once

#include <QFont>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

#include "workspace/rich_text.h"

namespace webexam::qt {

// Converts the designed twips to pixels at the screen's real dots per inch.
class Twips {
 public:
  explicit Twips(const QWidget& window);
  int operator()(double twips) const;
  double TwipsPerPixelX() const { return 1440.0 / dpi_x_; }
  double TwipsPerPixelY() const { return 1440.0 / dpi_y_; }
  // Places `widget` at the designed left, top, width and height.
  void Place(QWidget& widget, double left, double top, double width, double height) const;

 private:
  double dpi_x_, dpi_y_;
};

// SimSun ("宋体") at `points`, falling back to the Song-style CJK fonts a
// plain Debian desktop has, so that Chinese renders anywhere.
QFont SongFont(double points);

// A push button that also clicks on Enter while it has the focus.
class Button : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Shows a task text in the viewer.
void ShowRichText(QTextEdit& viewer, const RichText& text);

}  // namespace webexam::qt
