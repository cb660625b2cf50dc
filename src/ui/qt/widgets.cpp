#include "ui/qt/widgets.h"

#include <QKeyEvent>
#include <QScreen>
#include <QTextCharFormat>
#include <QTextCursor>

#include "ui/qt/app.h"
#include "workspace/window_placement.h"

namespace webexam::qt {

Twips::Twips(const QWidget& window) {
  const QScreen* screen = window.screen();
  dpi_x_ = screen ? screen->logicalDotsPerInchX() : 96.0;
  dpi_y_ = screen ? screen->logicalDotsPerInchY() : 96.0;
}

void Twips::Place(QWidget& widget, const TwipsRect& place) const {
  const PixelBox box = ToPixels(place, dpi_x_, dpi_y_);
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
    animateClick();
    return;
  }
  QPushButton::keyPressEvent(event);
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
    if (!run.style.font.empty()) {
      format.setFontFamilies(QStringList{ToQString(run.style.font)} + SongFont(9).families());
    }
    cursor.insertText(ToQString(run.text), format);
  }
  viewer.moveCursor(QTextCursor::Start);
}

}  // namespace webexam::qt
