// The splash window: the full logo with the version written in its bottom-right corner,
// shown while the main dialog prepares itself.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <optional>
#include <string>

class CIhmSplashWnd : public QWidget {
    Q_OBJECT
  public:
    // Shows the splash unless one exists or `enabled` is false. Returns the splash, or
    // null when none is shown (no image, or the program's name is not in its path).
    static CIhmSplashWnd* ShowSplashScreen(bool enabled, QWidget* parent = nullptr);
    // The splash on show, if any.
    static CIhmSplashWnd* Current();
    // Destroys the splash on show, if any.
    static void Destroy();

    // The image's path from the module path: what stands before the separator that
    // precedes the file name "Quorvel" (searched with letter case), then
    // "/res/Image/Quorvel_FullLogo.bmp". Nothing when the executable has another name.
    static std::optional<std::string> ImagePath(const std::string& modulePath);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    explicit CIhmSplashWnd(const QPixmap& image);
    ~CIhmSplashWnd() override;

    QPixmap image_;
    int timerId_ = 0;
};
