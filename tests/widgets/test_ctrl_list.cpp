// The custom list: its messages to the parent and its owner drawing.
#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "widgets/CIhmCtrlList.h"

namespace {

std::unique_ptr<CIhmCtrlList> MakeList() {
    auto list = std::make_unique<CIhmCtrlList>();
    list->resize(320, 200);
    list->AddColumn("Label", 145);
    list->AddColumn("Mac address", 136, Qt::AlignRight);
    list->AddColumn("", 0);
    list->Setup(true);
    list->InsertRow(-1, {"first", "00:11:22:33:44:55", "raw1"});
    list->InsertRow(-1, {"second", "66:77:88:99:AA:BB", "raw2"});
    list->show();
    return list;
}

TEST(CtrlList, MouseMessagesCarryPackedPoint) {
    auto list = MakeList();
    QSignalSpy spy(list.get(), &CIhmCtrlList::ParentMessage);

    QTest::mousePress(list->viewport(), Qt::RightButton, {}, QPoint(10, 20));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 1098);
    EXPECT_EQ(spy[0][2].toLongLong(), 20 * 65536 + 10);

    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, QPoint(33, 7));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[1][0].toInt(), 1100);
    EXPECT_EQ(spy[1][2].toLongLong(), (7 << 16) | 33);
    EXPECT_EQ(spy[1][1].value<quintptr>() & 0x1, 1u); // left button flag as received
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, QPoint(33, 7));

    spy.clear();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(40, 5));
    bool sawDouble = false;
    for (const auto& args : spy)
        if (args[0].toInt() == 1099) {
            sawDouble = true;
            EXPECT_EQ(args[2].toLongLong(), (5 << 16) | 40);
        }
    EXPECT_TRUE(sawDouble);
}

TEST(CtrlList, LeftClickSelectsRowBeforeTellingParent) {
    auto list = MakeList();
    int rowAtMessage = -2;
    QObject::connect(list.get(), &CIhmCtrlList::ParentMessage, [&](int msg, quintptr, qint64) {
        if (msg == kMsgListLeftDown)
            rowAtMessage = list->SelectedRow();
    });
    int y = list->rowViewportPosition(1) + 2;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, y));
    EXPECT_EQ(rowAtMessage, 1);
    EXPECT_EQ(list->Text(1, 2), "raw2");
    EXPECT_TRUE(list->isColumnHidden(2));
}

TEST(CtrlList, FirstColumnFlagPaintsFirstCellBlue) {
    for (bool flag : {true, false}) {
        auto list = MakeList();
        list->SetFirstColumn(flag);
        list->clearSelection();
        QImage image(list->viewport()->size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        list->viewport()->render(&image);
        QColor first = image.pixelColor(140, list->rowViewportPosition(0) + 1);
        QColor second = image.pixelColor(150, list->rowViewportPosition(0) + 1);
        QColor blue(159, 192, 224);
        EXPECT_EQ(first == blue, flag);
        EXPECT_NE(second, blue);
        EXPECT_EQ(second, list->palette().color(QPalette::Base));
    }
}

TEST(CtrlList, RowHeightFollowsFont) {
    auto list = MakeList();
    QFontMetrics fm(list->font());
    EXPECT_EQ(list->RowHeight(), fm.height() + fm.leading() + 1);
    EXPECT_EQ(list->rowHeight(0), list->RowHeight());
    EXPECT_NEAR(list->font().pointSizeF(), 9.5, 0.01);
}

} // namespace
