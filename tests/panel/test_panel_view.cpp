// The Qt front panel on crafted publications: what it draws, the keys the controller
// sees for mouse clicks, and the drawing primitives' results (colour key, rectangles,
// clearing). Runs offscreen; the LCD font and pictures come from the program folder, the
// QApplication from qt_main_env.
#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QTest>

#include <gtest/gtest.h>

#include "FakePanelLink.h"
#include "panel/CGfxForme.h"
#include "panel/CGfxIconeBar.h"
#include "panel/CIhmFaceAvantView.h"
#include "panel/CMemDC_QRL.h"
#include "panel/GlyphTable.h"
#include "panel/PanelLook.h"

using namespace panel;
using paneltest::Block;
using paneltest::FakePanelLink;

namespace {

QString ProgramFolder() {
    const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
    return dir ? QString::fromLocal8Bit(dir) + "/" : QString();
}

// Keeps a picture of a rendered panel when QUORVEL_PANEL_PREVIEW names a folder.
void Preview(const QImage& image, const char* name) {
    if (const char* dir = std::getenv("QUORVEL_PANEL_PREVIEW"))
        image.save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

int CountPixels(const QImage& img, const QRect& area, QRgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

class PanelViewTest : public ::testing::Test {
  protected:
    void SetUp() override { KeyState().fill(0); }
    void TearDown() override { KeyState().fill(0); }

    std::unique_ptr<CIhmFaceAvantView> MakeView(int family) {
        auto view = std::make_unique<CIhmFaceAvantView>(link);
        view->SetProgramFolder(ProgramFolder());
        view->SetFamily(family);
        view->SetWaitHook([this](int ms) { link.log.push_back("wait " + std::to_string(ms)); });
        view->SetWarningHook([this](const std::string& t) { warnings.push_back(t); });
        return view;
    }
    QImage Render(CIhmFaceAvantView& view) {
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    FakePanelLink link;
    std::vector<std::string> warnings;
};

TEST_F(PanelViewTest, LcdFontCoversTheGlyphTableAndFitsTheLcd) {
    const QString path = ProgramFolder() + kLcdFontFile;
    const int id = QFontDatabase::addApplicationFont(path);
    ASSERT_GE(id, 0) << path.toStdString();
    EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).contains(kLcdFontFace));
    QRawFont raw(path, 34);
    ASSERT_TRUE(raw.isValid());
    int uncovered = 0;
    for (std::uint16_t cp : GlyphTable())
        if (cp != kNoGlyph && !raw.supportsCharacter(static_cast<uint>(cp)))
            ++uncovered;
    EXPECT_EQ(uncovered, 0);
    QFont font(kLcdFontFace);
    font.setPointSizeF(kLcdFontPoints);
    const QFontMetrics fm(font);
    EXPECT_LE(fm.horizontalAdvance(QString(18, QChar(0xFF10))), kLcdTextWidth);
    EXPECT_EQ(fm.horizontalAdvance(QString(18, QChar('W'))),
              fm.horizontalAdvance(QString(18, QChar(0x30A2))));
    EXPECT_LE(4 * fm.lineSpacing(), kLcdTextHeight);
    // The four rows end above the icon bar, which is drawn over the text rectangle.
    for (int family = 0; family < 3; ++family) {
        const auto& look = LookForFamily(family);
        EXPECT_LT(look.lcdOrigin.y + 4 * fm.lineSpacing(), look.iconOrigin.y - 1) << family;
    }
}

TEST_F(PanelViewTest, DrawsDigitsAndIconsOnTheFamilyLcd) {
    auto view = MakeView(0);
    const QImage before = Render(*view);
    EXPECT_FALSE(view->HasScreen());
    link.PublishOk(Block({"0123", "", "RUN"}, 0, 1, 0));
    view->Tick();
    ASSERT_TRUE(view->HasScreen());
    EXPECT_TRUE(view->LcdText().startsWith(QString::fromUtf16(u"\uFF10\uFF11\uFF12\uFF13")));
    const QImage img = Render(*view);
    Preview(img, "kz9");
    EXPECT_NE(img, before);
    const auto& look = LookForFamily(0);
    // White text on the kz9 blue inside the first cells, none in an empty row.
    const QRect firstCells(look.lcdOrigin.x, look.lcdOrigin.y, 4 * 13, 24);
    const QRect emptyRow(look.lcdOrigin.x, look.lcdOrigin.y + 25, 200, 20);
    EXPECT_GT(CountPixels(img, firstCells, qRgb(255, 255, 255)), 20);
    EXPECT_EQ(CountPixels(img, emptyRow, qRgb(33, 48, 72)), emptyRow.width() * emptyRow.height());
    // Icon byte 1: the key (1) and the first wheel segment (4), not the warning (0).
    const auto& icons = IconTable();
    auto iconArea = [&](int i) {
        return QRect(look.iconOrigin.x + icons[i].offset.x, look.iconOrigin.y + icons[i].offset.y,
                     20, 20);
    };
    EXPECT_EQ(view->ShownIcons(), (1u << 1) | (1u << 4));
    EXPECT_GT(CountPixels(img, iconArea(1), qRgb(250, 250, 250)), 10);
    EXPECT_GT(CountPixels(img, iconArea(4), qRgb(250, 250, 250)), 10);
    EXPECT_EQ(CountPixels(img, iconArea(0), qRgb(250, 250, 250)), 0);
}

TEST_F(PanelViewTest, PageOneDigitsDrawDifferentGlyphs) {
    auto view = MakeView(1);
    link.PublishOk(Block({"42"}, 0));
    view->Tick();
    const QImage page0 = Render(*view);
    link.PublishOk(Block({"42"}, 1));
    view->Tick();
    EXPECT_EQ(view->LcdText().left(2), QStringLiteral("42"));
    const QImage page1 = Render(*view);
    Preview(page1, "pask");
    const QRect cells(64, 42, 26, 24);
    EXPECT_NE(page0.copy(cells), page1.copy(cells));
}

TEST_F(PanelViewTest, KeptScreenStillRedrawsItsIcons) {
    auto view = MakeView(2);
    link.PublishOk(Block({"SETUP"}, 0, 0, 1u << 2));
    view->Tick();
    const QString text = view->LcdText();
    auto busy = Block({"BUSY"}, 0, 0, 1u << 0);
    busy[72] = 0xFF;
    link.PublishOk(busy);
    int redraws = 0;
    QObject::connect(view.get(), &CIhmFaceAvantView::Redrawn, [&] { ++redraws; });
    view->Tick();
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(view->LcdText(), text);
    EXPECT_EQ(view->ShownIcons(), 1u << 2);
    Preview(Render(*view), "trel");
}

// The Trel text starts above the cleared LCD area: the tops of its first row (the accents
// of capitals) still show.
TEST_F(PanelViewTest, TrelFirstRowIsDrawnWhole) {
    auto view = MakeView(2);
    link.PublishOk(Block({std::string(6, '\x80')}, 1)); // page 1: capital A with grave
    view->Tick();
    const QImage img = Render(*view);
    const auto& look = LookForFamily(2);
    EXPECT_LT(look.lcdOrigin.y, kLcdClearRect.top);
    const QRect aboveCleared(look.lcdOrigin.x, look.lcdOrigin.y, 6 * 13,
                             kLcdClearRect.top - look.lcdOrigin.y);
    EXPECT_GT(CountPixels(img, aboveCleared, qRgb(0, 0, 0)), 6);
}

// A new screen repaints the whole LCD text rectangle, which reaches beyond the cleared
// area on every family (above it on Trel, right of it everywhere): a smaller repaint
// would leave parts of the old glyphs on show.
TEST_F(PanelViewTest, NewScreenRepaintsTheWholeTextRectangle) {
    struct RegionRecorder : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    };
    for (int family = 0; family < 3; ++family) {
        auto view = MakeView(family);
        view->show();
        // Paint events only reach an exposed window; let the first full paint pass first.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get())) << family;
        QCoreApplication::processEvents();
        RegionRecorder recorder;
        view->installEventFilter(&recorder);
        link.PublishOk(Block({"ABC"}, 0, 1, 0));
        view->Tick();
        const auto& look = LookForFamily(family);
        const QRect text(look.lcdOrigin.x, look.lcdOrigin.y, kLcdTextWidth, kLcdTextHeight);
        const QRect lcd(kLcdClearRect.left, kLcdClearRect.top, kLcdClearRect.Width(),
                        kLcdClearRect.Height());
        const QRegion wanted = QRegion(text).united(lcd);
        // The repaint is posted: give the event loop a bounded chance to deliver it.
        for (int i = 0; i < 100 && !wanted.subtracted(recorder.painted).isEmpty(); ++i)
            QTest::qWait(10);
        EXPECT_TRUE(QRegion(text).subtracted(recorder.painted).isEmpty()) << family;
        EXPECT_TRUE(QRegion(lcd).subtracted(recorder.painted).isEmpty()) << family;
        view->removeEventFilter(&recorder);
    }
}

TEST_F(PanelViewTest, ErrorScreenOnKo) {
    link.linkKind = 2;
    auto view = MakeView(0);
    link.PublishKo();
    view->Tick();
    EXPECT_TRUE(view->LcdText().contains("COMMUNICATION"));
    EXPECT_EQ(view->ShownIcons(), IconMask(0xFF, 0));
    EXPECT_EQ(link.log, std::vector<std::string>{"deconnect"});
    Preview(Render(*view), "error");
}

TEST_F(PanelViewTest, MouseDoubleClickThenClickOnA) {
    auto view = MakeView(0);
    QAbstractButton* a = view->KeyButton(kKeyA);
    ASSERT_TRUE(a);
    EXPECT_TRUE(view->KeyPictureLoaded(kKeyA));
    // A double click is a click followed by a double-click event.
    QTest::mouseClick(a, Qt::LeftButton);
    QTest::mouseDClick(a, Qt::LeftButton);
    EXPECT_EQ(link.log, (std::vector<std::string>{"mask 20", "wait 200", "mask 00", "mask 20"}));
    EXPECT_TRUE(view->KeyPicturePressed(kKeyA));
    link.log.clear();
    QTest::mouseClick(a, Qt::LeftButton);
    EXPECT_EQ(link.log, (std::vector<std::string>{"mask 00", "wait 200", "mask 20"}));
    EXPECT_TRUE(view->KeyPicturePressed(kKeyA));
}

TEST_F(PanelViewTest, EnterButtonPausesMonitoring) {
    auto view = MakeView(1);
    QTest::mouseClick(view->KeyButton(kKeyEnter), Qt::LeftButton);
    EXPECT_EQ(link.log, (std::vector<std::string>{"stop monitor", "mask 01", "wait 200", "mask 00",
                                                  "start monitor"}));
}

TEST_F(PanelViewTest, ClickWhileDisconnectedSendsNothingAndKeepsPictures) {
    link.linkOpen = false;
    auto view = MakeView(0);
    for (int key = 0; key < kButtonCount; ++key) {
        QTest::mouseClick(view->KeyButton(key), Qt::LeftButton);
        QTest::mouseDClick(view->KeyButton(key), Qt::LeftButton);
        EXPECT_FALSE(view->KeyPicturePressed(key));
    }
    EXPECT_TRUE(link.log.empty());
    EXPECT_EQ(view->KeyMask(), 0);
}

TEST_F(PanelViewTest, RebuildForAnotherFamilyClearsMaskKeepsKeyState) {
    auto view = MakeView(0);
    view->DoubleClickKey(kKeyB);
    EXPECT_EQ(view->KeyMask(), 0x10);
    view->SetFamily(1);
    EXPECT_EQ(view->KeyMask(), 0);
    EXPECT_FALSE(view->KeyPicturePressed(kKeyB));
    EXPECT_EQ(KeyState()[kKeyB], 1);
    EXPECT_EQ(view->BackgroundColour(), QColor(161, 203, 63));
    for (int key = 0; key < kButtonCount; ++key) {
        EXPECT_TRUE(view->KeyPictureLoaded(key)) << key;
        EXPECT_TRUE(view->rect().contains(view->KeyButton(key)->geometry())) << key;
    }
}

TEST_F(PanelViewTest, FailedKeyWriteWarns) {
    link.writeResult = 15;
    auto view = MakeView(0);
    view->ToggleKey(kKeyPlus);
    EXPECT_EQ(warnings, std::vector<std::string>{"Communication Failed"});
    EXPECT_TRUE(view->KeyPicturePressed(kKeyPlus));
}

// ---- drawing primitives

QImage Canvas(QColor fill = Qt::white) {
    QImage img(120, 80, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

TEST(GfxPrimitives, ZeroHeightShapeIsDrawnTwoPixelsHigh) {
    QImage img = Canvas();
    CGfxForme shape;
    shape.outline = 0;
    shape.fillColour = Qt::red;
    shape.rect = {10, 20, 50, 20};
    {
        QPainter p(&img);
        shape.DrawShape(p);
    }
    EXPECT_EQ(CountPixels(img, img.rect(), qRgb(255, 0, 0)), 40 * 2);
    EXPECT_EQ(CountPixels(img, QRect(10, 20, 40, 2), qRgb(255, 0, 0)), 80);
    shape.MoveTo(0, 0);
    EXPECT_EQ(shape.rect.right, 40);
    EXPECT_EQ(shape.rect.bottom, 0);
}

TEST(GfxPrimitives, OutlinedLabelDrawsTextInsideThePen) {
    CGfxNote note = CGfxNote::Make(60, 40, QPoint(10, 10), "X", Qt::yellow);
    EXPECT_EQ(note.TextRect().left, 10);
    note.outline = 1;
    note.penWidth = 3;
    const GfxRect inner = note.TextRect();
    EXPECT_EQ(inner.left, 13);
    EXPECT_EQ(inner.top, 13);
    EXPECT_EQ(inner.right, 67);
    EXPECT_EQ(inner.bottom, 47);
    note.text = QString(40, QChar('W'));
    note.textColour = Qt::blue;
    QImage img = Canvas();
    {
        QPainter p(&img);
        note.Draw(p, nullptr);
    }
    // The text is clipped to the inner rectangle: no blue outside it.
    const QRect innerQ = inner.ToQRect();
    int outside = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!innerQ.contains(x, y) && qBlue(img.pixel(x, y)) > 200 &&
                qRed(img.pixel(x, y)) < 50)
                ++outside;
    EXPECT_EQ(outside, 0);
    EXPECT_GT(CountPixels(img, innerQ, qRgb(0, 0, 255)), 0);
    GfxRect bounds{0, 0, 5, 5};
    note.AddBounds(bounds);
    EXPECT_EQ(bounds.right, 70);
    EXPECT_EQ(bounds.bottom, 50);
}

TEST(GfxPrimitives, ColourKeyMakesPureWhiteTransparent) {
    QImage picture(4, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 255, 255));
    picture.setPixel(1, 0, qRgb(254, 255, 255));
    picture.setPixel(2, 0, qRgb(0, 0, 0));
    picture.setPixel(3, 0, qRgb(255, 255, 255));
    const QImage keyed = CGfxIconeBar::Keyed(picture);
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(keyed.pixel(1, 0)), 255);
    EXPECT_EQ(qAlpha(keyed.pixel(2, 0)), 255);
    EXPECT_EQ(qAlpha(keyed.pixel(3, 0)), 0);
}

TEST(GfxPrimitives, IconBarDrawsShownIconsOnItsBackgroundAndLoadsOnce) {
    QWidget view;
    const QString images = ProgramFolder() + kImageFolder;
    CGfxIconeBar bar;
    bar.MoveTo(0, 10);
    bar.Load(1, QColor(161, 203, 63), images);
    ASSERT_TRUE(bar.IsLoaded());
    EXPECT_EQ(bar.ExtentWidth(), 236); // the 240-pixel line from x -4
    EXPECT_EQ(bar.ExtentHeight(), 21);
    bar.Load(0, Qt::red, "/nonexistent/");
    EXPECT_EQ(bar.IconAt(0).file, images + "black_warning.bmp");
    EXPECT_EQ(bar.IconAt(0).width, 20);

    QImage img(260, 40, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    bar.SetShownFromMask(0);
    {
        QPainter p(&img);
        bar.Draw(p, &view);
    }
    // Nothing shown: the bar's rectangle grown by one pixel is plain background.
    const QRect grown(0, 9, 237, 23);
    EXPECT_EQ(CountPixels(img, grown.intersected(img.rect()), qRgb(161, 203, 63)),
              grown.intersected(img.rect()).width() * grown.height());
    bar.SetShownFromMask(1u << 0);
    {
        QPainter p(&img);
        bar.Draw(p, &view);
    }
    EXPECT_GT(CountPixels(img, QRect(89, 10, 20, 20), qRgb(0, 0, 0)), 20);
    EXPECT_EQ(CountPixels(img, QRect(89, 10, 20, 20), qRgb(255, 255, 255)), 0);
    EXPECT_EQ(bar.ChangedArea(0, 1).boundingRect(), QRect(89, 10, 20, 20));
}

TEST(GfxPrimitives, AllWhiteIconDrawsNothingAndMissingIconIsEmpty) {
    QWidget view;
    const QString dir = QDir::tempPath() + "/quorvel_icons_test/";
    QDir().mkpath(dir);
    QImage white(20, 20, QImage::Format_RGB32);
    white.fill(Qt::white);
    ASSERT_TRUE(white.save(dir + "black_warning.bmp"));
    CGfxIconeBar bar;
    bar.Load(1, QColor(10, 20, 30), dir);
    EXPECT_EQ(bar.IconAt(1).width, 0); // black_key.bmp is missing
    bar.SetShownFromMask(0x3FF);
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::green);
    {
        QPainter p(&img);
        bar.Draw(p, &view);
    }
    EXPECT_EQ(CountPixels(img, img.rect(), qRgb(255, 255, 255)), 0);
    QDir(dir).removeRecursively();
}

TEST(GfxPrimitives, OffScreenContextClearsOnlyTheLcdArea) {
    QImage img(350, 223, QImage::Format_RGB32);
    img.fill(Qt::gray);
    {
        QPainter p(&img);
        CMemDC_QRL memory(p, QColor(33, 48, 72));
        memory.Painter().fillRect(QRect(100, 60, 10, 10), Qt::red);
    }
    const QRect lcd(57, 40, 238, 117);
    EXPECT_EQ(CountPixels(img, lcd, qRgb(33, 48, 72)), lcd.width() * lcd.height() - 100);
    EXPECT_EQ(CountPixels(img, QRect(100, 60, 10, 10), qRgb(255, 0, 0)), 100);
    EXPECT_EQ(CountPixels(img, img.rect(), qRgb(33, 48, 72)), lcd.width() * lcd.height() - 100);
}

} // namespace
