// Controls laid out in twips, as the exam's windows are designed, and the
// few behaviours Qt's controls lack.
#pragma once

#include <QFont>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

#include "client/window_placement.h"
#include "task_text/rich_text.h"

namespace webexam::qt {

// Converts the designed twips to pixels at the screen's real dots per inch.
class Twips {
 public:
  explicit Twips(const QWidget& window);
  double DpiX() const { return dpi_x_; }
  double DpiY() const { return dpi_y_; }
  // Places `widget` at its designed place.
  void Place(QWidget& widget, const TwipsRect& place) const;

 private:
  double dpi_x_, dpi_y_;
};

// Places `widget` at a place already in pixels.
void Place(QWidget& widget, const PixelBox& box);

// SimSun ("宋体") at `points`, falling back to the Song-style CJK fonts a
// plain Debian desktop has, so that Chinese renders anywhere.
QFont SongFont(double points);

// A push button that also clicks on Enter while it has the focus, once per
// press however long the key is held.
class Button : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Enter is held down: a press that comes before its release is a repeat
  // (a server that reports repeats without releases in between).
  bool enter_down_ = false;
  // When Enter was last released, in the server's time.
  quint64 released_at_ = 0;
};

// Shows a task text in the viewer, all of it in the Song face.
void ShowRichText(QTextEdit& viewer, const RichText& text);

}  // namespace webexam::qt
