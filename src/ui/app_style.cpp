#include "ui/app_style.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "ui/theme.h"

namespace tallowin::ui {

namespace {

void DrawFolder(QPainter& p, double s, bool open) {
  QPainterPath body;
  body.moveTo(s * 0.08, s * 0.25);
  body.lineTo(s * 0.38, s * 0.25);
  body.lineTo(s * 0.46, s * 0.34);
  body.lineTo(s * 0.92, s * 0.34);
  body.lineTo(s * 0.92, s * 0.82);
  body.lineTo(s * 0.08, s * 0.82);
  body.closeSubpath();
  p.setBrush(open ? Theme::kAccentPale : QColor(0xBF, 0xD4, 0xFB));
  p.drawPath(body);
}

void DrawArrow(QPainter& p, double s, double angle) {
  p.save();
  p.translate(s / 2, s / 2);
  p.rotate(angle);
  p.drawLine(QPointF(-s * 0.3, 0), QPointF(s * 0.3, 0));
  p.drawLine(QPointF(-s * 0.3, 0), QPointF(-s * 0.08, -s * 0.22));
  p.drawLine(QPointF(-s * 0.3, 0), QPointF(-s * 0.08, s * 0.22));
  p.restore();
}

}  // namespace

QPixmap TAppStyle::PaintStockPicture(StandardPixmap which, int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  p.setPen(QPen(Theme::kAccent, std::max(1.2, s / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  switch (which) {
    case SP_ArrowBack:
    case SP_ArrowLeft:
      DrawArrow(p, s, 0);
      break;
    case SP_ArrowForward:
    case SP_ArrowRight:
      DrawArrow(p, s, 180);
      break;
    case SP_FileDialogToParent:
    case SP_ArrowUp:
      DrawArrow(p, s, 90);
      break;
    case SP_FileDialogNewFolder:
      DrawFolder(p, s, false);
      p.drawLine(QPointF(s * 0.5, s * 0.44), QPointF(s * 0.5, s * 0.72));
      p.drawLine(QPointF(s * 0.36, s * 0.58), QPointF(s * 0.64, s * 0.58));
      break;
    case SP_FileDialogListView:
      for (int row = 0; row < 3; ++row) {
        const double y = s * (0.28 + row * 0.22);
        p.drawPoint(QPointF(s * 0.18, y));
        p.drawLine(QPointF(s * 0.34, y), QPointF(s * 0.84, y));
      }
      break;
    case SP_FileDialogDetailedView:
      p.drawRoundedRect(QRectF(s * 0.12, s * 0.18, s * 0.76, s * 0.64), s * 0.08, s * 0.08);
      p.drawLine(QPointF(s * 0.12, s * 0.4), QPointF(s * 0.88, s * 0.4));
      p.drawLine(QPointF(s * 0.12, s * 0.61), QPointF(s * 0.88, s * 0.61));
      p.drawLine(QPointF(s * 0.42, s * 0.18), QPointF(s * 0.42, s * 0.82));
      break;
    case SP_DirIcon:
    case SP_DirClosedIcon:
    case SP_DirHomeIcon:
      DrawFolder(p, s, false);
      break;
    case SP_DirOpenIcon:
      DrawFolder(p, s, true);
      break;
    case SP_FileIcon: {
      QPainterPath page;
      page.moveTo(s * 0.24, s * 0.1);
      page.lineTo(s * 0.6, s * 0.1);
      page.lineTo(s * 0.78, s * 0.28);
      page.lineTo(s * 0.78, s * 0.9);
      page.lineTo(s * 0.24, s * 0.9);
      page.closeSubpath();
      p.setBrush(Theme::kSurface);
      p.drawPath(page);
      break;
    }
    case SP_ComputerIcon:
    case SP_DriveHDIcon:
      p.drawRoundedRect(QRectF(s * 0.1, s * 0.16, s * 0.8, s * 0.52), s * 0.06, s * 0.06);
      p.drawLine(QPointF(s * 0.5, s * 0.68), QPointF(s * 0.5, s * 0.82));
      p.drawLine(QPointF(s * 0.3, s * 0.84), QPointF(s * 0.7, s * 0.84));
      break;
    default:
      p.end();
      return QPixmap();
  }
  p.end();
  return picture;
}

TAppStyle::TAppStyle(SymbolSource symbols) : symbols_(std::move(symbols)) {}

int TAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* return_data) const {
  // Stock pictures on OK, Cancel or Choose do not match the skin's flat buttons.
  if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 0;
  return QProxyStyle::styleHint(hint, option, widget, return_data);
}

QIcon TAppStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                              const QWidget* widget) const {
  switch (which) {
    case SP_MessageBoxInformation:
    case SP_MessageBoxWarning:
    case SP_MessageBoxCritical:
    case SP_MessageBoxQuestion:
      if (symbols_) {
        const QPixmap symbol = symbols_(which);
        if (!symbol.isNull()) return QIcon(symbol);
      }
      break;
    default: {
      // The file dialogs' tool and place pictures, drawn in the skin's colours.
      QIcon drawn;
      for (int size : {16, 24, 32}) {
        const QPixmap picture = PaintStockPicture(which, size);
        if (picture.isNull()) break;
        drawn.addPixmap(picture);
      }
      if (!drawn.isNull()) return drawn;
      break;
    }
  }
  return QProxyStyle::standardIcon(which, option, widget);
}

}  // namespace tallowin::ui
