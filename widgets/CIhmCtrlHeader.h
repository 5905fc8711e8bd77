// The list's header, owner-drawn: each item on the button face with a 3-D border
// (white top-left) and its text 5 pixels from the left and 1 from the top.
#pragma once

#include <QHeaderView>

class CIhmCtrlHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit CIhmCtrlHeader(QWidget* parent = nullptr);

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};
