// Draws the skin's pictures with QPainter and writes them as JPEG (quality 95):
//   <root>/ui/images/back.jpg (712 × 481), output.jpg (480 × 120), vexlo.png (64 × 64)
//   <root>/resource/*.jpg: the 32 × 32 icons with their white-framed "2" twins, ks.jpg/ks2.jpg.
//   <root>/packaging/icons/N.png: the application icon for the desktop, 16 to 256 pixels.
// Run by hand after a change (QT_QPA_PLATFORM=offscreen vexlo_skin_images <root>); the output is
// committed. The colours are those of the controls laid over the pictures.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <functional>

#include "app/version.h"
#include "ui/main/skin_palette.h"

namespace {

using vexlo::ui::palette::kBlue;
using vexlo::ui::palette::kGreen;
using vexlo::ui::palette::kOrange;

const QColor kOrangeDark(222, 104, 0);
const QColor kRed(226, 35, 26);
const QColor kFolder(255, 199, 62);
const QColor kFolderDark(224, 157, 20);

QFont Sans(int pixels, bool bold) {
  QFont f("Noto Sans CJK SC");
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

bool Save(const QImage& image, const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  const bool ok = path.endsWith(".png") ? image.save(path, "PNG") : image.save(path, "JPG", 95);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

QImage Canvas(int w, int h, const QColor& fill) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

// A sheet with a big "X" on a green tile: the spreadsheet mark.
void SheetMark(QPainter& p, const QRectF& r, const QColor& tile, const QColor& letter) {
  p.save();
  const qreal u = r.width() / 10.0;
  // The sheet behind, with its grid.
  QRectF sheet(r.left() + 3.5 * u, r.top() + 0.6 * u, 6.2 * u, 8.8 * u);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRoundedRect(sheet, 0.6 * u, 0.6 * u);
  p.setPen(QPen(QColor(33, 163, 102), 0.35 * u));
  for (int i = 1; i < 5; ++i) {
    const qreal y = sheet.top() + i * sheet.height() / 5;
    p.drawLine(QPointF(sheet.left() + 2.6 * u, y), QPointF(sheet.right() - 0.5 * u, y));
  }
  p.drawLine(QPointF(sheet.left() + 4.4 * u, sheet.top() + 0.6 * u),
             QPointF(sheet.left() + 4.4 * u, sheet.bottom() - 0.6 * u));
  // The tile with the letter.
  QRectF front(r.left(), r.top() + 2.0 * u, 6.0 * u, 6.0 * u);
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(front, 0.6 * u, 0.6 * u);
  p.setPen(QPen(letter, 1.1 * u, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(front.topLeft() + QPointF(1.6 * u, 1.4 * u),
             front.bottomRight() - QPointF(1.6 * u, 1.4 * u));
  p.drawLine(front.topRight() + QPointF(-1.6 * u, 1.4 * u),
             front.bottomLeft() + QPointF(1.6 * u, -1.4 * u));
  p.restore();
}

// A page with lines of text and a blue tile with "W": the word-processor mark.
void WordMark(QPainter& p, const QRectF& r, const QColor& tile, const QColor& letter) {
  p.save();
  const qreal u = r.width() / 10.0;
  QRectF page(r.left() + 3.5 * u, r.top() + 0.6 * u, 6.2 * u, 8.8 * u);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRoundedRect(page, 0.6 * u, 0.6 * u);
  p.setPen(QPen(QColor(86, 132, 214), 0.45 * u, Qt::SolidLine, Qt::RoundCap));
  for (int i = 1; i < 6; ++i) {
    const qreal y = page.top() + i * page.height() / 6;
    p.drawLine(QPointF(page.left() + 2.9 * u, y), QPointF(page.right() - 0.7 * u, y));
  }
  QRectF front(r.left(), r.top() + 2.0 * u, 6.0 * u, 6.0 * u);
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(front, 0.6 * u, 0.6 * u);
  QPainterPath w;
  const qreal l = front.left() + 1.0 * u, t = front.top() + 1.5 * u, b = front.bottom() - 1.5 * u;
  const qreal s = (front.width() - 2.0 * u) / 4;
  w.moveTo(l, t);
  w.lineTo(l + s, b);
  w.lineTo(l + 2 * s, t + 1.2 * u);
  w.lineTo(l + 3 * s, b);
  w.lineTo(l + 4 * s, t);
  p.setPen(QPen(letter, 0.85 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(w);
  p.restore();
}

// ---- the 32 × 32 icons ----

void OpenFolder(QPainter& p) {
  QPainterPath back;
  back.moveTo(5, 9);
  back.lineTo(12, 9);
  back.lineTo(14, 11);
  back.lineTo(25, 11);
  back.lineTo(25, 24);
  back.lineTo(5, 24);
  back.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kFolderDark);
  p.drawPath(back);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 12.5, 15, 9));
  QPainterPath flap;
  flap.moveTo(9, 15);
  flap.lineTo(28, 15);
  flap.lineTo(24.5, 24);
  flap.lineTo(5, 24);
  flap.closeSubpath();
  QLinearGradient g(0, 15, 0, 24);
  g.setColorAt(0, kFolder.lighter(112));
  g.setColorAt(1, kFolder);
  p.setBrush(g);
  p.drawPath(flap);
}

void PencilInBox(QPainter& p) {
  p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath box;
  box.moveTo(17, 7.5);
  box.lineTo(7.5, 7.5);
  box.lineTo(7.5, 24.5);
  box.lineTo(24.5, 24.5);
  box.lineTo(24.5, 15);
  p.drawPath(box);
  p.save();
  p.translate(19.5, 12.5);
  p.rotate(45);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 206, 84));
  p.drawRect(QRectF(-2.2, -7.5, 4.4, 11));
  p.setBrush(QColor(246, 143, 160));
  p.drawRoundedRect(QRectF(-2.2, -10, 4.4, 2.8), 1, 1);
  QPainterPath tip;
  tip.moveTo(-2.2, 3.5);
  tip.lineTo(2.2, 3.5);
  tip.lineTo(0, 8);
  tip.closeSubpath();
  p.setBrush(QColor(247, 226, 190));
  p.drawPath(tip);
  p.setBrush(QColor(60, 60, 60));
  p.drawEllipse(QPointF(0, 7.0), 0.9, 0.9);
  p.restore();
}

void ThumbsUp(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  // The cuff.
  p.drawRoundedRect(QRectF(6, 14, 5, 12), 1, 1);
  // The hand: palm, fingers and the raised thumb.
  QPainterPath hand;
  hand.moveTo(12.5, 14.5);
  hand.lineTo(16.5, 8.5);
  hand.cubicTo(17.2, 6.0, 20.5, 5.8, 20.2, 9.0);
  hand.lineTo(19.2, 13.0);
  hand.lineTo(24.2, 13.0);
  hand.cubicTo(26.6, 13.0, 26.8, 15.9, 25.0, 16.3);
  hand.cubicTo(26.6, 16.9, 26.3, 19.4, 24.6, 19.6);
  hand.cubicTo(25.9, 20.4, 25.5, 22.6, 23.9, 22.8);
  hand.cubicTo(24.9, 23.8, 24.2, 26.0, 22.6, 26.0);
  hand.lineTo(12.5, 26.0);
  hand.closeSubpath();
  p.drawPath(hand);
  // Finger creases in the tile's colour are drawn by the caller's background showing through.
}

void PowerOff(QPainter& p) {
  p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  const QRectF ring(8, 9, 16, 16);
  p.drawArc(ring, 120 * 16, 300 * 16);  // open at the top
  p.drawLine(QPointF(16, 6.5), QPointF(16, 15.5));
}

QImage Icon(const QColor& tile, const std::function<void(QPainter&)>& motif, bool framed,
            const QColor& crease = QColor()) {
  QImage image = Canvas(32, 32, tile);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // A soft light from the top left so the flat tile reads as a button.
  QRadialGradient shine(QPointF(8, 4), 30);
  shine.setColorAt(0, QColor(255, 255, 255, 38));
  shine.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(image.rect(), shine);
  motif(p);
  if (crease.isValid()) {
    p.setPen(QPen(crease, 0.9));
    for (qreal y : {16.3, 19.6, 22.8}) p.drawLine(QPointF(19.5, y), QPointF(23.6, y));
  }
  if (framed) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(1, 1, 30, 30));
  }
  return image;
}

// ---- the start button ----

QImage StartButton(bool hover) {
  QImage image = Canvas(129, 54, kBlue);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF body(2.5, 2.5, 124, 49);
  // Drop shadow.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 24, 70));
  p.drawRoundedRect(body.translated(0, 1.5), 12, 12);
  QLinearGradient g(0, body.top(), 0, body.bottom());
  g.setColorAt(0, hover ? QColor(108, 170, 255) : QColor(82, 145, 240));
  g.setColorAt(0.5, hover ? QColor(56, 128, 236) : QColor(38, 104, 214));
  g.setColorAt(1, hover ? QColor(30, 92, 204) : QColor(20, 70, 176));
  p.setBrush(g);
  p.setPen(QPen(hover ? QColor(255, 255, 255) : QColor(200, 220, 255), hover ? 2.0 : 1.2));
  p.drawRoundedRect(body, 12, 12);
  // Gloss on the upper half.
  QPainterPath gloss;
  gloss.addRoundedRect(QRectF(6, 5, 117, 20), 9, 9);
  QLinearGradient gl(0, 5, 0, 25);
  gl.setColorAt(0, QColor(255, 255, 255, hover ? 110 : 90));
  gl.setColorAt(1, QColor(255, 255, 255, 10));
  p.setPen(Qt::NoPen);
  p.setBrush(gl);
  p.drawPath(gloss);
  SheetMark(p, QRectF(14, 9, 36, 36), QColor(16, 124, 65), Qt::white);
  p.setFont(Sans(24, true));
  p.setPen(QColor(10, 40, 110, 120));
  p.drawText(QRectF(58, 1.5, 66, 54), Qt::AlignVCenter | Qt::AlignLeft, "开始");
  p.setPen(Qt::white);
  p.drawText(QRectF(57, 0, 66, 54), Qt::AlignVCenter | Qt::AlignLeft, "开始");
  return image;
}

// ---- the main window's background ----

QImage Background() {
  QImage image = Canvas(712, 481, Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // A faint grey wash at the bottom of the white area.
  QLinearGradient wash(0, 60, 0, 150);
  wash.setColorAt(0, QColor(255, 255, 255));
  wash.setColorAt(1, QColor(243, 245, 248));
  p.fillRect(QRect(0, 60, 712, 90), wash);

  // The orange title banner at the top left, with a slanted end.
  QPainterPath banner;
  banner.moveTo(0, 0);
  banner.lineTo(372, 0);
  banner.lineTo(352, 34);
  banner.lineTo(0, 34);
  banner.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kOrange);
  p.drawPath(banner);
  QPainterPath stripe;
  stripe.moveTo(0, 34);
  stripe.lineTo(352, 34);
  stripe.lineTo(349, 39);
  stripe.lineTo(0, 39);
  stripe.closeSubpath();
  p.setBrush(kOrangeDark);
  p.drawPath(stripe);
  // Mark and name on the banner; the version label sits at x 299.
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(12, 5, 24, 24), 5, 5);
  p.setPen(QPen(kOrange, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(18, 11), QPointF(24, 23), QPointF(30, 11)}));
  p.setFont(Sans(19, true));
  p.setPen(Qt::white);
  p.drawText(QRect(44, 0, 250, 34), Qt::AlignVCenter | Qt::AlignLeft, vexlo::app::kProductName);

  // The red corner at the top right, under the close button.
  QPainterPath corner;
  corner.moveTo(622, 0);
  corner.lineTo(712, 0);
  corner.lineTo(712, 90);
  corner.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawPath(corner);

  // What the program does, in the white area.
  p.setPen(QColor(70, 78, 92));
  p.setFont(Sans(15, true));
  p.drawText(QRect(24, 62, 390, 24), Qt::AlignLeft | Qt::AlignVCenter,
             "把 Excel 表格的每一行，套进 Word 模板");
  p.setPen(QColor(120, 128, 140));
  p.setFont(Sans(12, false));
  p.drawText(QRect(24, 88, 390, 20), Qt::AlignLeft | Qt::AlignVCenter,
             "通知单、工资条、送货单……一次生成，逐份保存、打印或输出PDF");
  // Three steps, as small numbered chips.
  const char* steps[] = {"选数据", "选模板", "开始制作"};
  int x = 24;
  for (int i = 0; i < 3; ++i) {
    p.setPen(Qt::NoPen);
    p.setBrush(i == 0 ? kGreen : (i == 1 ? kBlue : kOrange));
    p.drawEllipse(QRectF(x, 117, 18, 18));
    p.setPen(Qt::white);
    p.setFont(Sans(11, true));
    p.drawText(QRectF(x, 117, 18, 18), Qt::AlignCenter, QString::number(i + 1));
    p.setPen(QColor(90, 98, 110));
    p.setFont(Sans(12, false));
    const QString label = QString::fromUtf8(steps[i]);
    p.drawText(QRect(x + 23, 116, 80, 20), Qt::AlignLeft | Qt::AlignVCenter, label);
    x += 23 + p.fontMetrics().horizontalAdvance(label) + 22;
    if (i < 2) {
      p.setPen(QPen(QColor(190, 196, 205), 1.4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(x - 16, 126), QPointF(x - 7, 126));
    }
  }

  // The green band of the data row, with the spreadsheet mark.
  p.fillRect(QRect(0, 150, 712, 85), kGreen);
  p.fillRect(QRect(0, 150, 712, 2), QColor(0, 92, 50));
  SheetMark(p, QRectF(34, 165, 56, 56), QColor(33, 163, 102), Qt::white);

  // The blue area of the template and output rows, with the word-processor mark.
  p.fillRect(QRect(0, 235, 712, 246), kBlue);
  p.fillRect(QRect(0, 235, 712, 2), QColor(30, 36, 104));
  WordMark(p, QRectF(34, 256, 56, 56), QColor(60, 110, 220), Qt::white);
  // A thin rule above the options and a soft glow behind the start button.
  p.fillRect(QRect(116, 333, 520, 1), QColor(72, 82, 160));
  p.save();
  p.translate(360, 424);
  p.scale(1.0, 0.35);
  QRadialGradient glow(QPointF(0, 0), 125);
  glow.setColorAt(0, QColor(86, 104, 200, 120));
  glow.setColorAt(1, QColor(41, 49, 132, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(QPointF(0, 0), 125, 125);
  p.restore();
  // Quiet rings in the lower right corner.
  p.setBrush(Qt::NoBrush);
  for (int r = 40; r <= 130; r += 30) {
    p.setPen(QPen(QColor(255, 255, 255, 10), 10));
    p.drawEllipse(QPointF(700, 481), r, r);
  }
  return image;
}

// ---- the progress window's picture ----

QImage Progress() {
  QImage image = Canvas(480, 120, kBlue);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // Left panel: the data sheet feeding a stack of documents.
  QLinearGradient g(0, 0, 180, 0);
  g.setColorAt(0, QColor(255, 255, 255));
  g.setColorAt(1, QColor(232, 236, 248));
  QPainterPath panel;
  panel.moveTo(0, 0);
  panel.lineTo(170, 0);
  panel.lineTo(150, 120);
  panel.lineTo(0, 120);
  panel.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawPath(panel);
  p.setBrush(kOrange);
  QPainterPath edge;
  edge.moveTo(170, 0);
  edge.lineTo(176, 0);
  edge.lineTo(156, 120);
  edge.lineTo(150, 120);
  edge.closeSubpath();
  p.drawPath(edge);
  SheetMark(p, QRectF(16, 32, 50, 50), QColor(33, 163, 102), Qt::white);
  p.setPen(QPen(kOrange, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(QPointF(72, 60), QPointF(88, 60));
  p.drawPolyline(QPolygonF({QPointF(83, 54), QPointF(89, 60), QPointF(83, 66)}));
  for (int i = 2; i >= 0; --i) {
    WordMark(p, QRectF(96 + 5 * i, 28 + 5 * i, 44, 44), QColor(60, 110, 220), Qt::white);
  }
  // Title over the text line.
  p.setPen(QColor(255, 255, 255, 200));
  p.setFont(Sans(13, true));
  p.drawText(QRect(188, 18, 280, 22), Qt::AlignLeft | Qt::AlignVCenter, "vexlo 正在制作文档");
  // A progress track under the text line.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawRoundedRect(QRectF(188, 84, 270, 6), 3, 3);
  p.setBrush(kOrange);
  p.drawRoundedRect(QRectF(188, 84, 150, 6), 3, 3);
  return image;
}

// The application icon at `size` pixels square, drawn on a 64-unit grid.
QImage AppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  QLinearGradient g(0, 0, 0, 64);
  g.setColorAt(0, QColor(255, 160, 40));
  g.setColorAt(1, kOrangeDark);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 13, 13);
  p.setPen(QPen(Qt::white, 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(16, 17), QPointF(32, 48), QPointF(48, 17)}));
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vexlo_skin_images <source root>\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  const QString res = root + "/resource/";
  const QString img = root + "/ui/images/";
  bool ok = true;
  const QColor crease_green = kGreen, crease_blue = kBlue;
  struct IconSpec {
    const char* name;
    QColor tile;
    std::function<void(QPainter&)> motif;
    QColor crease;
  };
  const IconSpec icons[] = {
      {"ml", kGreen, OpenFolder, {}},          {"mlb", kBlue, OpenFolder, {}},
      {"open", kGreen, PencilInBox, {}},       {"openb", kBlue, PencilInBox, {}},
      {"sl", kGreen, ThumbsUp, crease_green},  {"slb", kBlue, ThumbsUp, crease_blue},
      {"close", kRed, PowerOff, {}},
  };
  for (const IconSpec& icon : icons) {
    ok &= Save(Icon(icon.tile, icon.motif, false, icon.crease), res + icon.name + ".jpg");
    ok &= Save(Icon(icon.tile, icon.motif, true, icon.crease), res + icon.name + "2.jpg");
  }
  ok &= Save(StartButton(false), res + "ks.jpg");
  ok &= Save(StartButton(true), res + "ks2.jpg");
  ok &= Save(Background(), img + "back.jpg");
  ok &= Save(Progress(), img + "output.jpg");
  ok &= Save(AppIcon(64), img + "vexlo.png");
  // The desktop's icon theme: one picture per size, installed as hicolor/NxN/apps/vexlo.png.
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    ok &= Save(AppIcon(size), root + "/packaging/icons/" + QString::number(size) + ".png");
  }
  return ok ? 0 : 1;
}
