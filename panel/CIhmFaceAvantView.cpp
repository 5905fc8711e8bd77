#include "panel/CIhmFaceAvantView.h"

#include <array>
#include <cstdlib>

#include <QCoreApplication>
#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>

#include "comm/SharedTexts.h"
#include "panel/CGfxForme.h"
#include "panel/CGfxIconeBar.h"
#include "panel/CIhmCtrlKeyButton.h"
#include "panel/CMemDC_QRL.h"
#include "panel/PanelLook.h"

namespace {

QString DefaultProgramFolder() {
    const char* env = std::getenv("QUORVEL_PROGRAM_DIR");
    QString folder = env != nullptr && *env != '\0' ? QString::fromLocal8Bit(env)
                                                    : QCoreApplication::applicationDirPath();
    if (!folder.isEmpty() && !folder.endsWith('/'))
        folder += '/';
    return folder;
}

// The LCD face is normally registered at start-up; a panel built without it (a tool, a
// test) registers the file from the program folder itself, once.
void EnsureLcdFont(const QString& folder) {
    static bool tried = false;
    if (tried || QFontDatabase::families().contains(QString::fromLatin1(panel::kLcdFontFace)))
        return;
    tried = true;
    QFontDatabase::addApplicationFont(folder + QString::fromLatin1(panel::kLcdFontFile));
}

QColor ToQColor(panel::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

} // namespace

struct CIhmFaceAvantView::Impl {
    QString folder = DefaultProgramFolder();
    int family = 1;
    panel::FamilyLook look = panel::LookForFamily(1);
    QPixmap background;
    CGfxNote note;
    std::unique_ptr<CGfxIconeBar> bar;
    std::unique_ptr<panel::FrontPanelSession> session;
    std::array<CIhmCtrlKeyButton*, panel::kButtonCount> keys{};
    std::array<QPixmap, panel::kButtonCount> normal, pressed;
    std::function<void(const std::string&)> warn;
    std::function<void(int)> wait = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };

    QColor Background() const { return ToQColor(look.background); }
    QRect LcdTextRect() const {
        return QRect(look.lcdOrigin.x, look.lcdOrigin.y, panel::kLcdTextWidth,
                     panel::kLcdTextHeight);
    }
};

CIhmFaceAvantView::CIhmFaceAvantView(panel::PanelLink& link, QWidget* parent)
    : QWidget(parent), link_(link), d_(std::make_unique<Impl>()) {
    setFixedSize(panel::kPanelWidth, panel::kPanelHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int i = 0; i < panel::kButtonCount; ++i) {
        auto* key = new CIhmCtrlKeyButton(QString::fromLatin1(panel::KeyLabel(i)), this);
        d_->keys[i] = key;
        connect(key, &QAbstractButton::clicked, this, [this, i] {
            if (i == panel::kKeyEnter)
                ClickEnter();
            else
                ClickKey(i);
        });
        connect(key, &CIhmCtrlKeyButton::doubleClicked, this, [this, i] { DoubleClickKey(i); });
    }
    SetFamily(1);
}

CIhmFaceAvantView::~CIhmFaceAvantView() = default;

void CIhmFaceAvantView::SetProgramFolder(const QString& folder) {
    d_->folder = folder;
    if (!d_->folder.isEmpty() && !d_->folder.endsWith('/'))
        d_->folder += '/';
}

void CIhmFaceAvantView::SetFamily(int family) {
    Impl& d = *d_;
    d.family = family;
    d.look = panel::LookForFamily(family);
    EnsureLcdFont(d.folder);
    const QString style = d.folder + QString::fromLatin1(panel::StyleFolder(family));
    d.background = QPixmap(style + "vd_bg.png");

    d.note =
        CGfxNote::Make(panel::kLcdTextWidth, panel::kLcdTextHeight,
                       QPoint(d.look.lcdOrigin.x, d.look.lcdOrigin.y), QString(), d.Background());
    d.note.SetFont(QString::fromLatin1(panel::kLcdFontFace), panel::kLcdFontPoints);
    d.note.textColour = d.look.whiteText ? Qt::white : Qt::black;
    d.note.formatFlags = Qt::AlignLeft | Qt::AlignTop;

    d.bar = std::make_unique<CGfxIconeBar>();
    d.bar->MoveTo(d.look.iconOrigin.x, d.look.iconOrigin.y);
    d.bar->Load(family, d.Background(), d.folder + QString::fromLatin1(panel::kImageFolder));

    panel::FrontPanelSession::Hooks hooks;
    hooks.setKeyPicture = [this](int key, bool pressed) { SetKeyPicture(key, pressed); };
    hooks.repaint = [this] { repaint(); };
    hooks.warn = [this](const std::string& text) {
        if (d_->warn)
            d_->warn(text);
    };
    hooks.wait = [this](int ms) {
        if (d_->wait)
            d_->wait(ms);
    };
    d.session = std::make_unique<panel::FrontPanelSession>(link_, family, std::move(hooks));
    BuildKeys();
    update();
}

int CIhmFaceAvantView::Family() const {
    return d_->family;
}

void CIhmFaceAvantView::BuildKeys() {
    Impl& d = *d_;
    const QString style = d.folder + QString::fromLatin1(panel::StyleFolder(d.family));
    for (int i = 0; i < panel::kButtonCount; ++i) {
        d.normal[i] = QPixmap(style + QString::fromLatin1(panel::KeyPictureName(i, false)));
        d.pressed[i] = QPixmap(style + QString::fromLatin1(panel::KeyPictureName(i, true)));
        const panel::Rect r = panel::KeyRect(d.family, i);
        d.keys[i]->setGeometry(r.left, r.top, r.Width(), r.Height());
        d.keys[i]->SetPictures(d.normal[i], d.pressed[i]);
        d.keys[i]->ShowPressed(false);
    }
}

void CIhmFaceAvantView::SetKeyPicture(int key, bool pressed) {
    if (key >= 0 && key < panel::kButtonCount)
        d_->keys[key]->ShowPressed(pressed);
}

int CIhmFaceAvantView::Tick() {
    int taken = d_->session->Tick();
    if (taken > 0)
        RequestRedraw();
    return taken;
}

void CIhmFaceAvantView::RequestRedraw() {
    Impl& d = *d_;
    d.note.text = QString::fromStdU16String(panel::LcdText(d.session->Screen()));
    d.bar->SetShownFromMask(d.session->ShownIcons());
    // The loader's own screen does not say that the firmware is missing: the view does.
    setToolTip(d.session->ShowsNoFirmware() ? QString::fromUtf8(texts::kNoFirmware) : QString());
    // Only the LCD and the icon bar change. The text rectangle reaches beyond the cleared
    // area on every family, so it is repainted whole, or parts of old glyphs would stay.
    QRegion area(CMemDC_QRL::LcdArea());
    area += d.note.rect.ToQRect();
    area += d.bar->rect.ToQRect().adjusted(-1, -1, 1, 1);
    update(area);
    emit Redrawn();
}

void CIhmFaceAvantView::paintEvent(QPaintEvent* event) {
    Impl& d = *d_;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    if (!d.background.isNull())
        painter.drawPixmap(QPoint(0, 0), d.background,
                           QRect(0, 0, panel::kPanelWidth, panel::kPanelHeight));
    else
        painter.fillRect(rect(), palette().window());
    if (!d.session->HasScreen())
        return;
    {
        // Clears the LCD area; the text is drawn on the panel itself, since its rectangle
        // reaches beyond that area on some families.
        CMemDC_QRL memory(painter, d.Background());
    }
    d.note.Draw(painter, this);
    d.bar->Draw(painter, this);
}

void CIhmFaceAvantView::ToggleKey(int key) {
    d_->session->ToggleKey(key);
}

void CIhmFaceAvantView::ClickKey(int key) {
    d_->session->ClickKey(key);
}

void CIhmFaceAvantView::ClickEnter() {
    d_->session->ClickEnter();
}

void CIhmFaceAvantView::DoubleClickKey(int key) {
    d_->session->DoubleClickKey(key);
}

std::uint8_t CIhmFaceAvantView::KeyMask() const {
    return d_->session->KeyMask();
}

void CIhmFaceAvantView::SetWarningHook(std::function<void(const std::string&)> hook) {
    d_->warn = std::move(hook);
}

void CIhmFaceAvantView::SetWaitHook(std::function<void(int ms)> hook) {
    d_->wait = std::move(hook);
}

bool CIhmFaceAvantView::HasScreen() const {
    return d_->session->HasScreen();
}

QString CIhmFaceAvantView::LcdText() const {
    return d_->session->HasScreen()
               ? QString::fromStdU16String(panel::LcdText(d_->session->Screen()))
               : QString();
}

std::uint32_t CIhmFaceAvantView::ShownIcons() const {
    return d_->session->HasScreen() ? d_->session->ShownIcons() : 0;
}

QColor CIhmFaceAvantView::BackgroundColour() const {
    return d_->Background();
}

std::uint64_t CIhmFaceAvantView::PublicationsTaken() const {
    return d_->session->PublicationsTaken();
}

QAbstractButton* CIhmFaceAvantView::KeyButton(int key) const {
    return key >= 0 && key < panel::kButtonCount ? d_->keys[key] : nullptr;
}

bool CIhmFaceAvantView::KeyPictureLoaded(int key) const {
    return key >= 0 && key < panel::kButtonCount && !d_->normal[key].isNull();
}

bool CIhmFaceAvantView::KeyPicturePressed(int key) const {
    return key >= 0 && key < panel::kButtonCount && d_->keys[key]->ShowsPressed();
}
