#include "ui/qt/widgets.h"

#include <QKeyEvent>
#include <QScreen>
#include <QTextCharFormat>
#include <QTextCursor>

#include "client/window_placement.h"
#include "ui/qt/app.h"

namespace webexam::qt {

Twips::Twips(const QWidget& window) {
  const QScreen* screen = window.screen();
  dpi_x_ = screen ? screen->logicalDotsPerInchX() : 96.0;
  dpi_y_ = screen ? screen->logicalDotsPerInchY() : 96.0;
}

void Twips::Place(QWidget& widget, const TwipsRect& place) const {
  webexam::qt::Place(widget, ToPixels(place, dpi_x_, dpi_y_));
}

void Place(QWidget& widget, const PixelBox& box) {
  widget.setGeometry(box.left, box.top, box.width, box.height);
}

QFont SongFont(double points) {
  QFont font;
  font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                    QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  return font;
}

void Button::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // A held key clicks once: its repeats are no presses. The server sends
    // a repeat as a release and a press of the same moment; Qt marks it
    // only when both are waiting together.
    const bool repeat = event->isAutoRepeat() || enter_down_ || event->timestamp() == released_at_;
    if (!repeat) animateClick();
    enter_down_ = true;
    return;
  }
  QPushButton::keyPressEvent(event);
}

void Button::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (!event->isAutoRepeat()) {
      enter_down_ = false;
      released_at_ = event->timestamp();
    }
    return;
  }
  QPushButton::keyReleaseEvent(event);
}

void Button::focusOutEvent(QFocusEvent* event) {
  enter_down_ = false;  // its release goes elsewhere
  QPushButton::focusOutEvent(event);
}

void ShowRichText(QTextEdit& viewer, const RichText& text) {
  viewer.clear();
  QTextCursor cursor(viewer.document());
  for (const TextRun& run : text.runs) {
    QTextCharFormat format;
    format.setFontWeight(run.style.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.style.italic);
    format.setFontUnderline(run.style.underline);
    format.setFontPointSize(run.style.half_points / 2.0);
    if (run.style.color) format.setForeground(QColor(QRgb(*run.style.color)));
    // One Song face for Latin and Chinese alike: a Latin face named by the
    // text (often missing here, replaced by another of a different size)
    // would set "85%" apart from the Chinese around it.
    format.setFontFamilies(SongFont(9).families());
    cursor.insertText(ToQString(run.text), format);
  }
  viewer.moveCursor(QTextCursor::Start);
}

}  // namespace webexam::qt
