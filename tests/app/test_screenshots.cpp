// The main window connected to the simulator, once per family, saved as a picture:
// docs/screenshot-<family>.png when QUORVEL_SCREENSHOT_DIR names docs/ (scripts/
// screenshots.sh does), else beside the test. Also checks that the window shows the
// family's panel with a live LCD.
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <set>

#include "app/CIhmDlgMain.h"
#include "app/CIhmDlgSubMain.h"
#include "app_sim_fixture.h"
#include "comm/ProcessState.h"
#include "panel/CIhmFaceAvantView.h"
#include "widgets/ControlIds.h"
#include "widgets/ProgramFolder.h"

namespace {

class Screenshots : public AppSimTest {};

// How many different colours a picture uses: a blank window has one or two.
std::size_t ColourCount(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

TEST_F(Screenshots, MainWindowOfEachFamily) {
    QFontDatabase::addApplicationFont(QString::fromStdString(ProgramFolder()) +
                                      "Z9PCnormalFont.ttf");
    QString dir = qEnvironmentVariable("QUORVEL_SCREENSHOT_DIR", QDir::currentPath());
    struct Family {
        const char* code8;
        const char* name;
        int family;
        int templateId;
    };
    for (const Family& f : {Family{"61410031", "kz9", 0, 102}, Family{"61420001", "pask", 1, 167},
                            Family{"61430001", "trel", 2, 220}}) {
        SCOPED_TRACE(f.name);
        TearDown();
        SetUp();
        StartSim({"--code8", f.code8, "--label", "Quorvel demo"});
        CIhmDlgMain main;
        main.SetSplashEnabled(false);
        main.Initialise();
        main.IdleTimer()->stop();
        main.show();
        user_.dialogs["CIhmDlgPortCOM"] = [](QDialog* d) {
            auto* ports = FindCtl<QComboBox>(d, 1012);
            ports->setCurrentIndex(ports->findText("ttySIM0 (USB)"));
            FindCtl<QPushButton>(d, 1)->click();
            return d->result();
        };
        user_.menuChoices.push_back(15);
        main.SubMain()->OnMenu();
        ASSERT_EQ(ControllerFamily().load(), f.family);
        bool screen = false;
        for (int i = 0; i < 300 && !screen; ++i) {
            main.IdlePass();
            screen = main.SubMain()->View()->HasScreen() &&
                     !main.SubMain()->View()->LcdText().trimmed().isEmpty();
            QTest::qWait(10);
        }
        ASSERT_TRUE(screen);
        EXPECT_EQ(main.SubMain()->TemplateId(), f.templateId);
        main.Fold(); // unfolded: the Menu / Help / About / Exit column shows
        QTest::qWait(50);
        main.IdlePass();
        QImage image = main.grab().toImage();
        EXPECT_GT(ColourCount(image), 8u);
        QString path = dir + QStringLiteral("/screenshot-%1.png").arg(f.name);
        EXPECT_TRUE(image.save(path)) << path.toStdString();
    }
}

} // namespace
