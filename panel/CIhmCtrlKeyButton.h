// A key button of the front panel: draws its current picture (or a plain labelled key
// when the picture is missing) and reports double clicks apart from clicks. A double
// click arrives as one click followed by one double click, never as two clicks.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

class CIhmCtrlKeyButton : public QAbstractButton {
    Q_OBJECT

  public:
    CIhmCtrlKeyButton(const QString& label, QWidget* parent = nullptr);

    void SetPictures(const QPixmap& normal, const QPixmap& pressed);
    void ShowPressed(bool pressed);
    bool ShowsPressed() const { return pressed_; }
    bool HasPictures() const { return !normal_.isNull(); }
    QSize sizeHint() const override;

  signals:
    void doubleClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QPixmap normal_, pressed_picture_;
    bool pressed_ = false;
};
