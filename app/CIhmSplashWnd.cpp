#include "app/CIhmSplashWnd.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "app/AppVersion.h"
#include "widgets/Alerts.h"

namespace {
CIhmSplashWnd* g_splash = nullptr;
constexpr const char* kProgramName = "Quorvel";
} // namespace

std::optional<std::string> CIhmSplashWnd::ImagePath(const std::string& modulePath) {
    // Only the program's own file name counts: "Quorvel" as the last path component, not
    // a longer name that starts with it, nor a folder of that name.
    const std::string ownName = std::string("/") + kProgramName;
    std::size_t name = modulePath.rfind(ownName);
    if (name == std::string::npos || name + ownName.size() != modulePath.size())
        return std::nullopt;
    return modulePath.substr(0, name) + "/res/Image/Quorvel_FullLogo.bmp";
}

CIhmSplashWnd* CIhmSplashWnd::ShowSplashScreen(bool enabled, QWidget* parent) {
    if (!enabled || g_splash)
        return g_splash;
    auto path = ImagePath(QCoreApplication::applicationFilePath().toStdString());
    if (!path) {
        ErrorAlert(parent, "An unknown error has occured");
        return nullptr;
    }
    QPixmap image(QString::fromStdString(*path));
    if (image.isNull())
        return nullptr;
    g_splash = new CIhmSplashWnd(image);
    g_splash->show();
    return g_splash;
}

CIhmSplashWnd* CIhmSplashWnd::Current() {
    return g_splash;
}

void CIhmSplashWnd::Destroy() {
    delete g_splash;
}

CIhmSplashWnd::CIhmSplashWnd(const QPixmap& image)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      image_(image) {
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(image_.size());
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    timerId_ = startTimer(1000);
}

CIhmSplashWnd::~CIhmSplashWnd() {
    if (g_splash == this)
        g_splash = nullptr;
}

void CIhmSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, image_);
    painter.setPen(Qt::white);
    painter.setFont(QApplication::font());
    QRect box(0, 0, width() - 5, height() - 5);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine,
                     QString::fromStdString(VersionText("Version: ")));
}

void CIhmSplashWnd::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId_)
        return;
    killTimer(timerId_);
    QWidget* main = QApplication::activeWindow();
    close();
    if (main)
        main->update();
}
